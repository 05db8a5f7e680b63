#include "win32/win32_scaling.h"

namespace kestrel {

namespace {

constexpr UINT UsualDpi = 96;

// Windows 10's per-window calls, looked up so that kestrel.exe still starts where they are
// missing.
template <class Function> Function UserCall(const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), name)));
}

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : UsualDpi;
}

BOOL CALLBACK SetFontOnChild(HWND child, LPARAM font) {
    SendMessageW(child, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    return TRUE;
}

struct Rescaling {
    HWND parent;
    int from;
    int to;
};

// The children's places are whole multiples of the old scale: divided and multiplied exactly.
BOOL CALLBACK RescaleChild(HWND child, LPARAM data) {
    const Rescaling& r = *reinterpret_cast<const Rescaling*>(data);
    if (GetParent(child) != r.parent)
        return TRUE;
    RECT place{};
    GetWindowRect(child, &place);
    MapWindowPoints(nullptr, r.parent, reinterpret_cast<POINT*>(&place), 2);
    const Rect own = FromDevice(place, r.from);
    MoveWindow(child, ToDevice(own.left, r.to), ToDevice(own.top, r.to),
               ToDevice(own.width, r.to), ToDevice(own.height, r.to), TRUE);
    return TRUE;
}

} // namespace

int ScaleForDpi(UINT dpi) {
    const int scale = static_cast<int>((dpi + UsualDpi / 2) / UsualDpi);
    return scale > 1 ? scale : 1;
}

UINT DpiOf(HWND window) {
    static const auto forWindow = UserCall<UINT(WINAPI*)(HWND)>("GetDpiForWindow");
    const UINT dpi = window && forWindow ? forWindow(window) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

int SmallIconSide(HWND window) {
    static const auto forDpi = UserCall<int(WINAPI*)(int, UINT)>("GetSystemMetricsForDpi");
    const int side = forDpi ? forDpi(SM_CXSMICON, DpiOf(window)) : GetSystemMetrics(SM_CXSMICON);
    return side > 0 ? side : 16;
}

// Rounded down also left of the primary monitor, where coordinates are negative.
int FromDevice(int pixels, int scale) {
    return pixels >= 0 ? pixels / scale : -((-pixels + scale - 1) / scale);
}

Rect FromDevice(const RECT& device, int scale) {
    return {FromDevice(device.left, scale), FromDevice(device.top, scale),
            FromDevice(device.right - device.left, scale),
            FromDevice(device.bottom - device.top, scale)};
}

HFONT CreateMainFontAt(int scale) {
    return CreateFontW(-9 * scale, 0, 0, 0, 800, FALSE, FALSE, FALSE, ANSI_CHARSET, 0, 0, 0, 0,
                       L"arial");
}

void SetFontOnChildren(HWND window, HFONT font) {
    EnumChildWindows(window, SetFontOnChild, reinterpret_cast<LPARAM>(font));
}

void ApplyDpi(Win32Handles& handles, UINT dpi, const RECT& suggested) {
    const int from = handles.scale;
    const int to = ScaleForDpi(dpi);
    RECT place{};
    GetWindowRect(handles.window, &place);
    const Rect own = FromDevice(place, from);
    handles.scale = to;
    if (to != from) {
        Rescaling rescaling{handles.window, from, to};
        EnumChildWindows(handles.window, RescaleChild, reinterpret_cast<LPARAM>(&rescaling));
        HFONT font = CreateMainFontAt(to);
        SetFontOnChildren(handles.window, font);
        DeleteObject(handles.controlFont);
        handles.controlFont = font;
    }
    SetWindowPos(handles.window, nullptr, suggested.left, suggested.top,
                 ToDevice(own.width, to), ToDevice(own.height, to),
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace kestrel
