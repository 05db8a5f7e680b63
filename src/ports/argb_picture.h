#pragma once

#include "ports/tray.h"

#include <array>
#include <cstdint>

namespace kestrel {

// A drawn tray picture as 16 x 16 ARGB pixels (0xAARRGGBB), top row first, for platforms whose
// tray takes images rather than mask and colour bitmaps: opaque black, and where the graph drew,
// the window graph's colours -- green for incoming, red for outgoing, yellow where both meet.
std::array<uint32_t, 256> ArgbPicture(const IconRaster& raster);

} // namespace kestrel
