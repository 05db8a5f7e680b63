#pragma once

#include "fake/fake_record.h"
#include "ports/window.h"

#include <string>

namespace kestrel {

// The window as the fake keeps it: its rectangle, whether it is shown, the scripted screen
// and pointer.
class FakeWindow : public Window {
  public:
    explicit FakeWindow(FakeRecord& desk) : desk_(desk) {}

    void CreateMainWindow(WindowEvents& receiver) override {
        desk_.log.push_back("create window");
        desk_.events = &receiver;
        desk_.windowCreated = true;
        desk_.windowShown = true;
        desk_.rect = {0, 0, 100, 63};
        receiver.OnCreate();
    }
    int RunMessageLoop() override {
        desk_.log.push_back("message loop");
        return desk_.quitCode.value_or(0);
    }
    void PostQuit(int code) override {
        desk_.log.push_back("quit " + std::to_string(code));
        desk_.quitCode = code;
    }
    Rect WindowRect() override { return desk_.rect; }
    void MoveWindow(const Rect& to) override {
        desk_.log.push_back("move " + std::to_string(to.left) + "," + std::to_string(to.top) + " " +
                            std::to_string(to.width) + "x" + std::to_string(to.height));
        desk_.rect = to;
    }
    void ShowWindow(bool shown) override {
        desk_.log.push_back(shown ? "show window" : "hide window");
        desk_.windowShown = shown;
    }
    void PaintNow() override { desk_.log.push_back("paint"); }
    bool OnAnyScreen(const Rect& r) override {
        const Size screen = desk_.screen;
        return r.left < screen.width && r.left + r.width > 0 && r.top < screen.height &&
               r.top + r.height > 0;
    }
    Size ScreenSize() override { return desk_.screen; }
    Point PointerPosition() override { return desk_.pointer; }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
