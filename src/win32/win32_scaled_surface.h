#pragma once

#include "ports/drawing.h"
#include "win32/win32_surface.h"

#include <windows.h>

namespace kestrel {

// The main window's device context at a scale above 1: every pixel drawn is a block of scale ×
// scale device pixels. The texts are drawn with MainFont as it is and then enlarged, the lines
// by the one-pixel rule, so that the window shows the same pixels as at 96 dots per inch, larger.
class Win32ScaledSurface : public Surface {
  public:
    Win32ScaledSurface(HWND window, const DrawingTools& tools, int scale);
    ~Win32ScaledSurface() override;
    Win32ScaledSurface(const Win32ScaledSurface&) = delete;
    Win32ScaledSurface& operator=(const Win32ScaledSurface&) = delete;

    void FillBlack(const Rect& rect) override;
    void Text(Point at, const std::string& text, Colour colour, Colour background) override;
    void SelectPen(PenColour pen) override;
    void MoveTo(Point to) override { at_ = to; }
    void LineTo(Point to) override;

  private:
    void Fill(Point first, Point last, HBRUSH brush); // the pixels between, both included

    HWND window_;
    HDC dc_;
    const DrawingTools& tools_;
    int scale_;
    HBRUSH red_;
    HBRUSH green_;
    HBRUSH pen_;
    Point at_;
};

} // namespace kestrel
