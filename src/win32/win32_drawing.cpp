#include "win32/win32_drawing.h"

#include "win32/win32_scaled_surface.h"
#include "win32/win32_scaling.h"

namespace kestrel {

// The strip is drawn with MainFont as it is and then enlarged; the controls get it at the scale.
void Win32Drawing::CreateMainFont() {
    tools_.font = CreateMainFontAt(1);
    handles_.controlFont = CreateMainFontAt(handles_.scale);
    SetFontOnChildren(handles_.window, handles_.controlFont);
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
    DeleteObject(handles_.controlFont);
}

std::unique_ptr<Surface> Win32Drawing::BeginDrawing() {
    if (handles_.scale > 1)
        return std::make_unique<Win32ScaledSurface>(handles_.window, tools_, handles_.scale);
    return std::make_unique<Win32Surface>(handles_.window, tools_);
}

} // namespace kestrel
