#pragma once

#include "ports/drawing.h"

#include <windows.h>

namespace kestrel {

struct DrawingTools {
    HFONT font = nullptr;
    HBRUSH blackBrush = nullptr;
    HPEN redPen = nullptr;
    HPEN greenPen = nullptr;
};

// The main window's device context, fetched with GetDC and released when the surface goes.
class Win32Surface : public Surface {
  public:
    Win32Surface(HWND window, const DrawingTools& tools);
    ~Win32Surface() override;

    void FillBlack(const Rect& rect) override;
    void Text(Point at, const std::string& text, Colour colour, Colour background) override;
    void SelectPen(PenColour pen) override;
    void MoveTo(Point to) override;
    void LineTo(Point to) override;

  private:
    HWND window_;
    HDC dc_;
    const DrawingTools& tools_;
};

} // namespace kestrel
