#include "fake/fake_window.h"

#include "fake/fake_desktop.h"

#include <string>

namespace kestrel {

void FakeWindow::CreateMainWindow(WindowEvents& receiver) {
    desk_.log.push_back("create window");
    desk_.events = &receiver;
    desk_.windowCreated = true;
    desk_.windowShown = true;
    desk_.rect = {0, 0, 100, 63};
    receiver.OnCreate();
}

int FakeWindow::RunMessageLoop() {
    desk_.log.push_back("message loop");
    return desk_.quitCode.value_or(0);
}

void FakeWindow::PostQuit(int code) {
    desk_.log.push_back("quit " + std::to_string(code));
    desk_.quitCode = code;
}

Rect FakeWindow::WindowRect() {
    return desk_.rect;
}

void FakeWindow::MoveWindow(const Rect& to) {
    desk_.log.push_back("move " + std::to_string(to.left) + "," + std::to_string(to.top) + " " +
                        std::to_string(to.width) + "x" + std::to_string(to.height));
    desk_.rect = to;
}

void FakeWindow::ShowWindow(bool shown) {
    desk_.log.push_back(shown ? "show window" : "hide window");
    desk_.windowShown = shown;
}

void FakeWindow::PaintNow() {
    desk_.log.push_back("paint");
}

bool FakeWindow::OnAnyScreen(const Rect& r) {
    const Size screen = desk_.screen;
    return r.left < screen.width && r.left + r.width > 0 && r.top < screen.height &&
           r.top + r.height > 0;
}

Size FakeWindow::ScreenSize() {
    return desk_.screen;
}

Point FakeWindow::PointerPosition() {
    return desk_.pointer;
}

} // namespace kestrel
