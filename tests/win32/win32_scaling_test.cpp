// A move to a monitor of other dots per inch, on real windows under Wine: the window, its
// controls and their font come to the new scale, the window where Windows suggests.
#include "win32/win32_scaling.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(Win32ScalingTest, AMoveToOtherDotsPerInchRescalesWindowControlsAndFont) {
    const std::pair<UINT, int> moves[] = {{192, 2}, {144, 2}, {288, 3}, {120, 1}, {96, 1}};
    Win32Handles handles;
    handles.window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 63, nullptr, nullptr,
                                     nullptr, nullptr);
    HWND control = CreateWindowExA(0, "STATIC", "", WS_CHILD, 110, 15, 120, 48, handles.window,
                                   nullptr, nullptr, nullptr);
    handles.controlFont = CreateMainFontAt(1);
    for (const auto& [dpi, s] : moves) {
        ApplyDpi(handles, dpi, RECT{40, 50, 0, 0});
        RECT window{}, place{};
        GetWindowRect(handles.window, &window);
        GetWindowRect(control, &place);
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font,
                   &font);
        EXPECT_EQ(handles.scale, s) << dpi;
        EXPECT_EQ(FromDevice(window, 1), (Rect{40, 50, 100 * s, 63 * s})) << dpi;
        EXPECT_EQ(FromDevice(place, 1), (Rect{40 + 110 * s, 50 + 15 * s, 120 * s, 48 * s})) << dpi;
        EXPECT_EQ(font.lfHeight, -9 * s) << dpi;
    }
    DestroyWindow(handles.window);
    DeleteObject(handles.controlFont);
}

} // namespace
} // namespace kestrel
