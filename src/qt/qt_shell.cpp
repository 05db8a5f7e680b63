#include "qt/qt_shell.h"

#include <QSystemTrayIcon>

#include <cstdio>

namespace kestrel {

QWidget* QtShell::Widget(ControlName control) const {
    return controls[static_cast<size_t>(control)];
}

void QtShell::Post(std::function<void(WindowEvents&)> call) {
    QMetaObject::invokeMethod(
        window.get(), [this, call = std::move(call)] { call(*events); }, Qt::QueuedConnection);
}

bool QtShell::TrayAvailable() {
    if (QSystemTrayIcon::isSystemTrayAvailable())
        return true;
    if (!noTraySaid) {
        std::fputs("kestrel: no system tray is available; the window stays shown\n", stderr);
        noTraySaid = true;
    }
    return false;
}

} // namespace kestrel
