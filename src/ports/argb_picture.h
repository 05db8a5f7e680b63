#pragma once

#include "ports/tray.h"

#include <array>
#include <cstdint>
#include <vector>

namespace kestrel {

// A drawn tray picture as 16 x 16 ARGB pixels (0xAARRGGBB), top row first, for platforms whose
// tray takes images rather than mask and colour bitmaps: opaque black, and where the graph drew,
// the window graph's colours -- green for incoming, red for outgoing, yellow where both meet.
std::array<uint32_t, 256> ArgbPicture(const IconRaster& raster);

// For each of the `size` columns (or rows) of a square picture made from a 16 x 16 one, the
// source column it shows, or -1 where it shows none. Each pixel becomes a block of the largest
// whole number of pixels that fits (at least one), and the enlargement is centred: 22 and 24
// hold the picture at its own size in a margin, 32 and 40 doubled. Never a blended colour. A
// size below 16 shows the middle.
std::vector<int> ScaledPositions(int size);

// The 16 x 16 picture at size x size by those positions, top row first; transparent (0) in the
// margin.
std::vector<uint32_t> ScaledArgb(const std::array<uint32_t, 256>& pixels, int size);

// The raster at size x size by those positions, each row padded to a whole number of 16-bit
// words, as Windows' CreateBitmap takes its bits: at 16 the raster's own bytes. In the margin
// the mask is set and the colour 0, which leaves the background showing.
struct ScaledRaster {
    int size = 0;
    std::vector<uint8_t> mask;   // (size + 15) / 16 * 2 bytes a row
    std::vector<uint8_t> colour; // (size + 1) / 2 * 2 bytes a row
};
ScaledRaster ScaleRaster(const IconRaster& raster, int size);

} // namespace kestrel
