#include "qt/qt_sleep_watch.h"

#include <QDBusConnection>

namespace kestrel {

QtSleepWatch::QtSleepWatch(std::function<void()> woke) : woke_(std::move(woke)) {
    QDBusConnection::systemBus().connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(PrepareForSleep(bool)));
}

void QtSleepWatch::PrepareForSleep(bool sleeping) {
    if (!sleeping)
        woke_();
}

} // namespace kestrel
