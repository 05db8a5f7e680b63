#pragma once

#include "ports/geometry.h"

#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <vector>

namespace kestrel {

// The pixels of a one-pixel line by the platform's rule: Bresenham's steps, the start pixel
// drawn, the end pixel not.
template <class Visit> void ForEachLinePixel(Point from, Point to, Visit visit) {
    const int dx = std::abs(to.x - from.x), dy = std::abs(to.y - from.y);
    const int sx = from.x < to.x ? 1 : -1, sy = from.y < to.y ? 1 : -1;
    int error = dx - dy;
    Point p = from;
    while (!(p == to)) {
        visit(p);
        const int twice = 2 * error;
        if (twice > -dy) {
            error -= dy;
            p.x += sx;
        }
        if (twice < dx) {
            error += dx;
            p.y += sy;
        }
    }
}

// A window's pixels as the graph draws them, shared by the backends that keep their own: filled
// rectangles and one-pixel lines (ForEachLinePixel). Colours come as 0xRRGGBB; each drawn pixel
// gets `alpha` in its top byte.
class PixelCanvas {
  public:
    PixelCanvas(int width, int height, uint32_t untouched, uint32_t alpha = 0);

    int Width() const { return width_; }
    int Height() const { return height_; }
    uint32_t Pixel(int x, int y) const { return pixels_[Index(x, y)]; }
    uint32_t* Data() { return pixels_.data(); }

    void SetPixel(int x, int y, uint32_t rgb);
    void Fill(const Rect& r, uint32_t rgb);
    void Line(Point from, Point to, uint32_t rgb);

  private:
    size_t Index(int x, int y) const { return static_cast<size_t>(y * width_ + x); }

    int width_;
    int height_;
    uint32_t alpha_;
    std::vector<uint32_t> pixels_;
};

} // namespace kestrel
