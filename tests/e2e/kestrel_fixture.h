#pragma once

// The fixture of the end-to-end tests: kestrel.exe started, its window found, and the moves a
// user makes on it.
#include "e2e/probe.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::probe {

constexpr UINT ThroughputCallback = WM_USER + 10;
constexpr UINT MailCallback = WM_USER + 11;

// Controls by their place in the stacking order.
constexpr int OkButton = 0, MailMarkBox = 1, PasswordLabel = 6, InterfaceList = 7, SpeedList = 8,
              MailListBox = 9, HostEdit = 10, ActiveCheck = 13, FirstRadio = 14;

// kestrel.ini keeps its texts with every bit flipped.
inline std::string Scramble(std::string text) {
    for (char& c : text)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return text;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline int ScreenWidth() {
    return GetSystemMetrics(SM_CXSCREEN);
}
inline int ScreenHeight() {
    return GetSystemMetrics(SM_CYSCREEN);
}

// The screen's device pixels per pixel of kestrel's own: 1 at 96 dots per inch, 2 at 192.
inline int Scale() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi / 96;
}

// What the screen shows in a rectangle of screen coordinates, row by row, as 0xRRGGBB.
inline std::vector<uint32_t> ScreenPixels(const RECT& r) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFO info{{sizeof info.bmiHeader, width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    SelectObject(memory, copy);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    std::vector<uint32_t> pixels(static_cast<const uint32_t*>(bits),
                                 static_cast<const uint32_t*>(bits) + width * height);
    for (uint32_t& pixel : pixels)
        pixel &= 0xFFFFFF;
    DeleteDC(memory); // before the bitmap selected into it
    DeleteObject(copy);
    ReleaseDC(nullptr, screen);
    return pixels;
}

inline bool SameRect(const RECT& r, int left, int top, int width, int height) {
    return r.left == left && r.top == top && r.right - r.left == width &&
           r.bottom - r.top == height;
}

inline std::string Describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

// A fresh kestrel.exe in a fresh working directory for every test.
class KestrelTest : public ::testing::Test {
  protected:
    std::unique_ptr<Process> process;
    HWND window = nullptr;

    // The first start of the test: in a fresh, empty working directory.
    void SetUp() override {
        process = std::make_unique<Process>();
        ASSERT_NO_FATAL_FAILURE(FindWindowOfKestrel());
    }

    void FindWindowOfKestrel() {
        window = WaitForWindow("wndclass", "kestrel", process->id());
        ASSERT_NE(window, nullptr) << "kestrel's window did not appear";
        ASSERT_TRUE(Answers(window));
    }

    // Ends the running kestrel.exe with WM_CLOSE and starts another in the same directory.
    void Restart(const std::string& arguments = "") {
        PostMessageA(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(process->WaitForExit(std::chrono::seconds(10)), 0u);
        const std::string directory = process->directory();
        process->KeepDirectory();
        process = std::make_unique<Process>(arguments, directory);
        process->OwnDirectory();
        ASSERT_NO_FATAL_FAILURE(FindWindowOfKestrel());
    }

    std::vector<ChildWindow> Kids() { return Children(window); }

    bool HasRect(int left, int top, int width, int height) {
        return Eventually([&] { return SameRect(WindowRect(window), left, top, width, height); });
    }

    // Selects an item the way a click does: the list changes, then tells its parent.
    void Choose(int control, int index) {
        HWND list = Kids()[static_cast<size_t>(control)].handle;
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
    }

    void ClickOk() { SendMessageA(Kids()[OkButton].handle, BM_CLICK, 0, 0); }

    // What a chosen menu item sends, handled before this returns.
    void ChooseMenuCommand(int id) { SendMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }

    // Right-clicks the throughput tray icon with the pointer at (x, y); returns the open menu.
    HWND OpenTrayMenu(int x, int y) {
        SetCursorPos(x, y);
        PostMessageA(window, ThroughputCallback, 1, WM_RBUTTONUP);
        return WaitForVisibleWindow("#32768", process->id());
    }

    static void Press(HWND menu, WPARAM key) {
        PostMessageA(menu, WM_KEYDOWN, key, 0);
        Sleep(50);
    }

    // Counts the window's pixels of one colour in a rectangle of its client area, as the
    // screen shows them.
    int CountPixels(RECT area, COLORREF colour) {
        const RECT w = WindowRect(window);
        HDC screen = GetDC(nullptr);
        int count = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                count += GetPixel(screen, w.left + x, w.top + y) == colour;
        ReleaseDC(nullptr, screen);
        return count;
    }
};

} // namespace kestrel::probe
