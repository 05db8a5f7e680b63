#pragma once

#include "monitor/history.h"
#include "ports/tray.h"

namespace kestrel {

// Rasterises entries 10 to 25 of both history rows into a 16 x 16 picture: one column per tick,
// heights 0 to 15 from the bottom, each series a connected line.
IconRaster BuildTrayRaster(const ThroughputHistory& history);

// Sets one pixel of a series (x from the left, y from the bottom); columns outside 0..15 are
// not set.
void SetOutPixel(IconRaster& raster, int x, int y);
void SetInPixel(IconRaster& raster, int x, int y);

} // namespace kestrel
