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

} // namespace kestrel
