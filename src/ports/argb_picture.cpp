#include "ports/argb_picture.h"

namespace kestrel {

namespace {
constexpr uint32_t Black = 0xFF000000, Red = 0xFFFF0000, Green = 0xFF00FF00, Yellow = 0xFFFFFF00;
constexpr uint8_t Outgoing = 0xFE, Incoming = 0xFD, Both = 0xFF; // as the tray raster sets them
} // namespace

std::array<uint32_t, 256> ArgbPicture(const IconRaster& raster) {
    std::array<uint32_t, 256> pixels;
    pixels.fill(Black);
    for (size_t row = 0; row < 16; ++row) {
        for (size_t x = 0; x < 16; ++x) {
            const bool drawn = raster.mask[row * 2 + x / 8] & (0x80 >> (x % 8));
            const uint8_t value = raster.colour[row * 16 + x];
            if (!drawn)
                continue;
            pixels[row * 16 + x] = value == Both       ? Yellow
                                   : value == Outgoing ? Red
                                   : value == Incoming ? Green
                                                       : Black;
        }
    }
    return pixels;
}

std::vector<int> ScaledPositions(int size) {
    if (size <= 0)
        return {};
    const int factor = size >= 16 ? size / 16 : 1;
    const int offset = (size - 16 * factor) / 2; // negative below 16: the middle
    std::vector<int> positions(static_cast<size_t>(size));
    for (int i = 0; i < size; ++i) {
        const int inside = i - offset;
        positions[static_cast<size_t>(i)] =
            inside >= 0 && inside < 16 * factor ? inside / factor : -1;
    }
    return positions;
}

std::vector<uint32_t> ScaledArgb(const std::array<uint32_t, 256>& pixels, int size) {
    const std::vector<int> from = ScaledPositions(size);
    std::vector<uint32_t> scaled(from.size() * from.size(), 0);
    for (size_t row = 0; row < from.size(); ++row) {
        for (size_t x = 0; x < from.size(); ++x) {
            if (from[row] >= 0 && from[x] >= 0)
                scaled[row * from.size() + x] =
                    pixels[static_cast<size_t>(from[row] * 16 + from[x])];
        }
    }
    return scaled;
}

ScaledRaster ScaleRaster(const IconRaster& raster, int size) {
    const std::vector<int> from = ScaledPositions(size);
    const size_t n = from.size();
    const size_t maskRow = (n + 15) / 16 * 2, colourRow = (n + 1) / 2 * 2;
    ScaledRaster scaled{static_cast<int>(n), std::vector<uint8_t>(maskRow * n, 0),
                        std::vector<uint8_t>(colourRow * n, 0)};
    for (size_t row = 0; row < n; ++row) {
        for (size_t x = 0; x < n; ++x) {
            bool masked = true;
            uint8_t colour = 0;
            if (from[row] >= 0 && from[x] >= 0) {
                const auto sourceRow = static_cast<size_t>(from[row]);
                const auto sourceX = static_cast<size_t>(from[x]);
                masked = raster.mask[sourceRow * 2 + sourceX / 8] & (0x80 >> (sourceX % 8));
                colour = raster.colour[sourceRow * 16 + sourceX];
            }
            if (masked)
                scaled.mask[row * maskRow + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            scaled.colour[row * colourRow + x] = colour;
        }
    }
    return scaled;
}

} // namespace kestrel
