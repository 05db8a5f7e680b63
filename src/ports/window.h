#pragma once

#include "ports/geometry.h"
#include "ports/window_events.h"

namespace kestrel {

// The one main window, the message loop that serves it, and the screen it lies on.
class Window {
  public:
    virtual ~Window() = default;
    // Creates the popup window "kestrel" at (0, 0), 100 x 63; calls events.OnCreate before it
    // returns. Every later event goes to the same receiver.
    virtual void CreateMainWindow(WindowEvents& events) = 0;
    virtual int RunMessageLoop() = 0;
    virtual void PostQuit(int code) = 0;

    virtual Rect WindowRect() = 0;
    virtual void MoveWindow(const Rect& rect) = 0; // repaints
    virtual void ShowWindow(bool shown) = 0;       // shown: normal state; otherwise hidden
    virtual void PaintNow() = 0;                   // runs a pending repaint at once

    // Whether any part of the rectangle lies on one of the screens.
    virtual bool OnAnyScreen(const Rect& rect) = 0;
    virtual Size ScreenSize() = 0;
    virtual Point PointerPosition() = 0;
};

} // namespace kestrel
