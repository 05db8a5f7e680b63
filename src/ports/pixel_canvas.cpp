#include "ports/pixel_canvas.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace kestrel {

PixelCanvas::PixelCanvas(int width, int height, uint32_t untouched, uint32_t alpha)
    : width_(width), height_(height), alpha_(alpha),
      pixels_(static_cast<size_t>(width * height), untouched) {}

void PixelCanvas::SetPixel(int x, int y, uint32_t rgb) {
    if (x >= 0 && x < width_ && y >= 0 && y < height_)
        pixels_[Index(x, y)] = rgb | alpha_;
}

// Clipped once; the first row is filled, the others are copies of it.
void PixelCanvas::Fill(const Rect& r, uint32_t rgb) {
    const int left = std::max(r.left, 0), right = std::min(r.left + r.width, width_);
    const int top = std::max(r.top, 0), bottom = std::min(r.top + r.height, height_);
    if (left >= right || top >= bottom)
        return;
    uint32_t* first = pixels_.data() + Index(left, top);
    std::fill(first, first + (right - left), rgb | alpha_);
    for (int y = top + 1; y < bottom; ++y)
        std::memcpy(first + (y - top) * width_, first, sizeof(uint32_t) * (right - left));
}

void PixelCanvas::Line(Point from, Point to, uint32_t rgb) {
    ForEachLinePixel(from, to, [&](Point p) { SetPixel(p.x, p.y, rgb); });
}

} // namespace kestrel
