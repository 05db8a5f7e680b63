#include "qt/qt_window.h"

#include "qt/qt_surface.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>

namespace kestrel {

void QtWindow::CreateMainWindow(WindowEvents& events) {
    shell_.events = &events;
    shell_.window = std::make_unique<MainWindow>(events);
    shell_.window->setGeometry(0, 0, 100, 63);
    shell_.layer = new DrawnLayer(shell_.window.get());
    shown_ = true;
    events.OnCreate();
    WatchNetwork(events);
    shell_.layer->raise();
    shell_.window->setVisible(shown_);
}

// Wakes from sleep and the kernel's network notices both reopen mail connections. A recv
// overrun loses notices but still says that something changed.
void QtWindow::WatchNetwork(WindowEvents& events) {
    sleep_ = std::make_unique<QtSleepWatch>([&events] { events.OnResumeOrNetworkChange(); });
    if (network_.Descriptor() < 0)
        return;
    notifier_ = std::make_unique<QSocketNotifier>(network_.Descriptor(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this, &events] {
        if (network_.TakeNotices())
            events.OnResumeOrNetworkChange();
    });
}

int QtWindow::RunMessageLoop() {
    return QApplication::exec();
}

void QtWindow::PostQuit(int code) {
    QApplication::exit(code);
}

Rect QtWindow::WindowRect() {
    const QRect r = shell_.window->geometry();
    return {r.x(), r.y(), r.width(), r.height()};
}

void QtWindow::MoveWindow(const Rect& rect) {
    shell_.window->setGeometry(rect.left, rect.top, rect.width, rect.height);
    shell_.window->update();
}

// Without a tray a hidden window could not come back: it stays shown.
void QtWindow::ShowWindow(bool shown) {
    if (!shown && !shell_.TrayAvailable())
        return;
    shown_ = shown;
    if (shell_.window)
        shell_.window->setVisible(shown);
}

void QtWindow::PaintNow() {
    shell_.window->repaint();
}

bool QtWindow::OnAnyScreen(const Rect& rect) {
    const QRect r(rect.left, rect.top, rect.width, rect.height);
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->geometry().intersects(r))
            return true;
    }
    return false;
}

Size QtWindow::ScreenSize() {
    const QRect r = QGuiApplication::primaryScreen()->geometry();
    return {r.width(), r.height()};
}

Point QtWindow::PointerPosition() {
    const QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

} // namespace kestrel
