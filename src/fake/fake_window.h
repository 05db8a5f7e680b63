#pragma once

#include "ports/window.h"

namespace kestrel {

class FakeDesktop;

// The window as the fake keeps it: its rectangle, whether it is shown, the scripted screen
// and pointer.
class FakeWindow : public Window {
  public:
    explicit FakeWindow(FakeDesktop& desk) : desk_(desk) {}

    void CreateMainWindow(WindowEvents& receiver) override;
    int RunMessageLoop() override;
    void PostQuit(int code) override;
    Rect WindowRect() override;
    void MoveWindow(const Rect& to) override;
    void ShowWindow(bool shown) override;
    void PaintNow() override;
    bool OnAnyScreen(const Rect& r) override;
    Size ScreenSize() override;
    Point PointerPosition() override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
