#pragma once

#include "ports/controls.h"

#include <windows.h>

#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>

namespace kestrel {

// The program's pictures and cursor, loaded once before the window is made.
struct Win32Pictures {
    HBITMAP about = nullptr;
    HICON mainIcon = nullptr;
    HCURSOR arrow = nullptr;
    HICON noIcon = nullptr;
    HICON mailIcon = nullptr;
};

// The message that tells the window that tasks wait, posted from other threads.
inline constexpr UINT TasksWaitingMessage = WM_APP + 1;
// The message that tells the window that the machine's addresses changed.
inline constexpr UINT AddressesChangedMessage = WM_APP + 2;

// Tasks posted from other threads for the window's thread.
struct Win32Tasks {
    std::mutex mutex;
    std::deque<std::function<void()>> waiting;
    std::atomic<HWND> window{nullptr}; // where the message goes; none before and after the window
};

// What the ports of the one main window share: the module, the window, its children and the
// pictures. Each port refers to the same object.
struct Win32Handles {
    HINSTANCE instance = nullptr;
    HWND window = nullptr;
    std::array<HWND, ControlCount> children{};
    Win32Pictures pictures;
    Win32Tasks tasks;
    int scale = 1;               // device pixels per pixel of the window's own (win32_scaling.h)
    HFONT controlFont = nullptr; // MainFont at that scale, the controls'

    HWND Child(ControlName control) const { return children[static_cast<size_t>(control)]; }
    LRESULT SendToChild(ControlName control, UINT message, WPARAM w, LPARAM l) const {
        return SendMessageW(Child(control), message, w, l);
    }
};

} // namespace kestrel
