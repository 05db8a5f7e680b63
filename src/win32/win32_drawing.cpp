#include "win32/win32_drawing.h"

namespace kestrel {

namespace {

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

} // namespace

void Win32Drawing::CreateMainFont() {
    tools_.font =
        CreateFontW(-9, 0, 0, 0, 800, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0, L"arial");
    EnumChildWindows(handles_.window, SetFontOnChild, reinterpret_cast<LPARAM>(tools_.font));
}

void Win32Drawing::CreateDrawingTools() {
    tools_.blackBrush = CreateSolidBrush(RGB(0, 0, 0));
    tools_.redPen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
    tools_.greenPen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
}

void Win32Drawing::DeleteDrawingTools() {
    DeleteObject(tools_.blackBrush);
    DeleteObject(tools_.greenPen);
    DeleteObject(tools_.redPen);
    DeleteObject(tools_.font);
}

std::unique_ptr<Surface> Win32Drawing::BeginDrawing() {
    return std::make_unique<Win32Surface>(handles_.window, tools_);
}

} // namespace kestrel
