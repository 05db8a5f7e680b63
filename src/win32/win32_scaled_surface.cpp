#include "win32/win32_scaled_surface.h"

#include "win32/win32_text.h"

#include "ports/pixel_canvas.h"

#include <algorithm>
#include <cstdlib>

namespace kestrel {

Win32ScaledSurface::Win32ScaledSurface(HWND window, const DrawingTools& tools, int scale)
    : window_(window), dc_(GetDC(window)), tools_(tools), scale_(scale),
      red_(CreateSolidBrush(RGB(255, 0, 0))), green_(CreateSolidBrush(RGB(0, 255, 0))),
      pen_(red_) {}

Win32ScaledSurface::~Win32ScaledSurface() {
    DeleteObject(green_);
    DeleteObject(red_);
    ReleaseDC(window_, dc_);
}

void Win32ScaledSurface::Fill(Point first, Point last, HBRUSH brush) {
    const RECT r{std::min(first.x, last.x) * scale_, std::min(first.y, last.y) * scale_,
                 (std::max(first.x, last.x) + 1) * scale_, (std::max(first.y, last.y) + 1) * scale_};
    FillRect(dc_, &r, brush);
}

void Win32ScaledSurface::FillBlack(const Rect& rect) {
    if (rect.width > 0 && rect.height > 0)
        Fill({rect.left, rect.top}, {rect.left + rect.width - 1, rect.top + rect.height - 1},
             tools_.blackBrush);
}

// Drawn one pixel to a pixel beside the window, then copied enlarged, each pixel a block.
void Win32ScaledSurface::Text(Point at, const std::string& text, Colour colour,
                              Colour background) {
    HDC memory = CreateCompatibleDC(dc_);
    HGDIOBJ oldFont = SelectObject(memory, tools_.font);
    SIZE size{};
    const std::wstring wide = Wide(text);
    const int length = static_cast<int>(wide.size());
    GetTextExtentPoint32W(memory, wide.c_str(), length, &size);
    HBITMAP cells = CreateCompatibleBitmap(dc_, std::max<LONG>(size.cx, 1), std::max<LONG>(size.cy, 1));
    HGDIOBJ oldBitmap = SelectObject(memory, cells);
    SetBkColor(memory, RGB(background.red, background.green, background.blue));
    SetTextColor(memory, RGB(colour.red, colour.green, colour.blue));
    TextOutW(memory, 0, 0, wide.c_str(), length);
    SetStretchBltMode(dc_, COLORONCOLOR);
    StretchBlt(dc_, at.x * scale_, at.y * scale_, size.cx * scale_, size.cy * scale_, memory, 0, 0,
               size.cx, size.cy, SRCCOPY);
    SelectObject(memory, oldBitmap);
    SelectObject(memory, oldFont);
    DeleteObject(cells);
    DeleteDC(memory);
}

void Win32ScaledSurface::SelectPen(PenColour pen) {
    pen_ = pen == PenColour::Red ? red_ : green_;
}

// Neighbouring pixels in a row or a column go as one rectangle: a steep or flat stretch of the
// graph is one call, not one per pixel.
void Win32ScaledSurface::LineTo(Point to) {
    bool open = false;
    Point first, last;
    ForEachLinePixel(at_, to, [&](Point p) {
        const bool row = p.y == first.y && p.y == last.y && std::abs(p.x - last.x) == 1;
        const bool column = p.x == first.x && p.x == last.x && std::abs(p.y - last.y) == 1;
        if (open && (row || column)) {
            last = p;
            return;
        }
        if (open)
            Fill(first, last, pen_);
        first = last = p;
        open = true;
    });
    if (open)
        Fill(first, last, pen_);
    at_ = to;
}

} // namespace kestrel
