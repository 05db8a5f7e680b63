#pragma once

#include "linux/network_watch.h"
#include "ports/window.h"
#include "qt/qt_shell.h"
#include "qt/qt_sleep_watch.h"

#include <QSocketNotifier>

#include <memory>

namespace kestrel {

// The main window on Qt 6 Widgets, the application's event loop, and the screens. Requires a
// QApplication.
class QtWindow : public Window {
  public:
    explicit QtWindow(QtShell& shell) : shell_(shell) {}

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
    // The kernel's notices of network changes reach the application as they come.
    void WatchNetwork(WindowEvents& events);

    QtShell& shell_;
    bool shown_ = true; // as last asked; the window first shows once the application made it
    NetworkWatch network_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QtSleepWatch> sleep_;
};

} // namespace kestrel
