#pragma once

#include "ports/tray.h"

namespace kestrel {

// What the platform delivers to the application. All calls arrive on the one GUI thread.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    virtual void OnCreate() = 0;
    virtual void OnClose() = 0;
    // fromControl is false for menu commands; code is the control's notification code.
    virtual void OnCommand(int id, int code, bool fromControl) = 0;
    virtual void OnTimer() = 0;
    virtual void OnTrayCallback(int callbackMessage, TrayMouse mouse) = 0;
    // The shell's taskbar was created anew (Explorer restarted): every tray icon is gone.
    virtual void OnTaskbarCreated() = 0;
    // The machine woke from a sleep, or a network link or address came or went.
    virtual void OnResumeOrNetworkChange() = 0;
};

} // namespace kestrel
