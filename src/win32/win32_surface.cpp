#include "win32/win32_surface.h"

#include "win32/win32_text.h"

namespace kestrel {

namespace {
COLORREF ToColorRef(Colour c) {
    return RGB(c.red, c.green, c.blue);
}
} // namespace

Win32Surface::Win32Surface(HWND window, const DrawingTools& tools)
    : window_(window), dc_(GetDC(window)), tools_(tools) {}

// The objects selected last stay selected: the window's DC is not its own (no CS_OWNDC), and
// every drawing selects what it needs.
Win32Surface::~Win32Surface() {
    ReleaseDC(window_, dc_);
}

void Win32Surface::FillBlack(const Rect& rect) {
    const RECT r{rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
    FillRect(dc_, &r, tools_.blackBrush);
}

void Win32Surface::Text(Point at, const std::string& text, Colour colour, Colour background) {
    SelectObject(dc_, tools_.font);
    SetBkColor(dc_, ToColorRef(background));
    SetTextColor(dc_, ToColorRef(colour));
    const std::wstring wide = Wide(text);
    TextOutW(dc_, at.x, at.y, wide.c_str(), static_cast<int>(wide.size()));
}

void Win32Surface::SelectPen(PenColour pen) {
    SelectObject(dc_, pen == PenColour::Red ? tools_.redPen : tools_.greenPen);
}

void Win32Surface::MoveTo(Point to) {
    MoveToEx(dc_, to.x, to.y, nullptr);
}

void Win32Surface::LineTo(Point to) {
    ::LineTo(dc_, to.x, to.y);
}

} // namespace kestrel
