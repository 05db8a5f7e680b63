#pragma once

#include "ports/geometry.h"
#include "win32/win32_handles.h"

#include <windows.h>

namespace kestrel {

// The window is drawn in whole device pixels per pixel of its own (Win32Handles::scale): its
// dots per inch over 96, rounded (150 % and 200 % give 2), never below 1. What it shows is thus
// enlarged as a whole, never by a fraction that would smear its one-pixel lines.
int ScaleForDpi(UINT dpi);

// The dots per inch of the window's monitor, or the system's where Windows cannot say per window
// (before Windows 10 1607) or there is no window yet.
UINT DpiOf(HWND window);

// The side of the picture the tray asks for at the window's dots per inch: SM_CXSMICON there.
int SmallIconSide(HWND window);

// Between the window's own pixels (the core's) and the device's.
inline int ToDevice(int pixels, int scale) {
    return pixels * scale;
}
int FromDevice(int pixels, int scale);
Rect FromDevice(const RECT& device, int scale);

// MainFont at the scale: "arial", 9 pixels high per scale, weight 800.
HFONT CreateMainFontAt(int scale);
void SetFontOnChildren(HWND window, HFONT font);

// A move to a monitor of other dots per inch: the window, its children and their font at the new
// scale, the window's top-left corner where Windows suggests.
void ApplyDpi(Win32Handles& handles, UINT dpi, const RECT& suggested);

} // namespace kestrel
