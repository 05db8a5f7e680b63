#pragma once

#include "ports/controls.h"

#include <windows.h>

#include <array>

namespace kestrel {

// The program's pictures and cursor, loaded once before the window is made.
struct Win32Pictures {
    HBITMAP about = nullptr;
    HICON mainIcon = nullptr;
    HCURSOR arrow = nullptr;
    HICON noIcon = nullptr;
    HICON mailIcon = nullptr;
};

// What the ports of the one main window share: the module, the window, its children and the
// pictures. Each port refers to the same object.
struct Win32Handles {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    std::array<HWND, ControlCount> children{};
    Win32Pictures pictures;

    HWND Child(ControlName control) const { return children[static_cast<size_t>(control)]; }
    LRESULT SendToChild(ControlName control, UINT message, WPARAM w, LPARAM l) const {
        return SendMessageA(Child(control), message, w, l);
    }
};

} // namespace kestrel
