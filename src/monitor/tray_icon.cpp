#include "monitor/tray_icon.h"

#include <algorithm>

namespace kestrel {

namespace {

constexpr uint8_t OutValue = 0xFE;
constexpr uint8_t InValue = 0xFD;
constexpr int FirstEntry = 10;

void SetPixel(IconRaster& raster, int x, int y, uint8_t value) {
    if (x < 0 || x > 15 || y < 0 || y > 15)
        return;
    const int row = 15 - y;
    raster.mask[static_cast<size_t>(row * 2 + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
    raster.colour[static_cast<size_t>(row * 16 + x)] |= value;
}

int Height(uint16_t entry) {
    return std::min(entry / 3, 15);
}

// The vertical run between two neighbouring columns' heights, heights strictly between them: a
// rise stands in the previous column, a fall in the current one.
void DrawRun(IconRaster& raster, int column, int previous, int current, uint8_t value) {
    if (current - previous >= 2) {
        for (int h = previous + 1; h < current; ++h)
            SetPixel(raster, column - 1, h, value);
    } else if (previous - current >= 2) {
        for (int h = current + 1; h < previous; ++h)
            SetPixel(raster, column, h, value);
    }
}

} // namespace

void SetOutPixel(IconRaster& raster, int x, int y) {
    SetPixel(raster, x, y, OutValue);
}
void SetInPixel(IconRaster& raster, int x, int y) {
    SetPixel(raster, x, y, InValue);
}

IconRaster BuildTrayRaster(const ThroughputHistory& history) {
    IconRaster raster;
    int previousOut = 0;
    int previousIn = 0;
    for (int i = 0; i < 16; ++i) {
        const int out = Height(history.out[static_cast<size_t>(FirstEntry + i)]);
        const int in = Height(history.in[static_cast<size_t>(FirstEntry + i)]);
        DrawRun(raster, i, previousOut, out, OutValue);
        DrawRun(raster, i, previousIn, in, InValue);
        SetOutPixel(raster, i, out);
        SetInPixel(raster, i, in);
        previousOut = out;
        previousIn = in;
    }
    return raster;
}

} // namespace kestrel
