#pragma once

#include "ports/window.h"
#include "win32/win32_address_watch.h"
#include "win32/win32_handles.h"

#include <windows.h>

#include <memory>

namespace kestrel {

// The main window: its class, its procedure that turns messages into events, the message loop
// and the screen around it.
class Win32Window : public Window {
  public:
    explicit Win32Window(Win32Handles& handles) : handles_(handles) {}
    ~Win32Window() override;

    void CreateMainWindow(WindowEvents& events) override;
    int RunMessageLoop() override;
    void PostQuit(int code) override;

    Rect WindowRect() override;
    void MoveWindow(const Rect& rect) override;
    void ShowWindow(bool shown) override;
    void PaintNow() override;

    bool OnAnyScreen(const Rect& rect) override;
    Size ScreenSize() override;
    Point PointerPosition() override;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void RunWaitingTasks();

    Win32Handles& handles_;
    WindowEvents* events_ = nullptr;
    UINT taskbarCreated_ = 0;
    std::unique_ptr<Win32AddressWatch> addresses_;
};

} // namespace kestrel
