// A move to a monitor of other dots per inch, on real windows under Wine: the window, its
// controls and their font come to the new scale, the window where Windows suggests.
#include "win32/win32_scaling.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

Rect PlaceIn(HWND parent, HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

TEST(Win32ScalingTest, AMoveToOtherDotsPerInchRescalesWindowControlsAndFont) {
    const struct {
        UINT dpi;
        int scale;
    } moves[] = {{192, 2}, {144, 2}, {288, 3}, {120, 1}, {96, 1}, {192, 2}};
    Win32Handles handles;
    handles.window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 63, nullptr, nullptr,
                                     nullptr, nullptr);
    HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD, 110, 15, 120, 48, handles.window,
                                   nullptr, nullptr, nullptr);
    handles.controlFont = CreateMainFontAt(1);
    for (const auto& [dpi, scale] : moves) {
        SCOPED_TRACE(dpi);
        ApplyDpi(handles, dpi, RECT{40, 50, 0, 0});
        EXPECT_EQ(handles.scale, scale);
        RECT window{};
        GetWindowRect(handles.window, &window);
        EXPECT_EQ(FromDevice(window, 1), (Rect{40, 50, 100 * scale, 63 * scale}));
        EXPECT_EQ(PlaceIn(handles.window, control),
                  (Rect{110 * scale, 15 * scale, 120 * scale, 48 * scale}));
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        EXPECT_EQ(font.lfHeight, -9 * scale);
    }
    DestroyWindow(handles.window);
    DeleteObject(handles.controlFont);
}

} // namespace
} // namespace kestrel
