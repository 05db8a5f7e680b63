#include "qt/desktop_notices.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace kestrel {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
const QString Program = QStringLiteral("kestrel"); // its name, its icon and its desktop entry
constexpr int ShownMs = 10000;

} // namespace

DesktopNotices::DesktopNotices(std::function<void()> chosen) : chosen_(std::move(chosen)) {}

bool DesktopNotices::Listen() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!listening_) {
        listening_ =
            bus.connect(Service, Path, Service, QStringLiteral("ActionInvoked"), this,
                        SLOT(ActionInvoked(uint, QString))) &&
            bus.connect(Service, Path, Service, QStringLiteral("NotificationClosed"), this,
                        SLOT(NotificationClosed(uint, uint)));
    }
    return listening_;
}

// Asked each time: a desktop may start its service after kestrel, or end it.
bool DesktopNotices::Show(const QString& title, const QString& text) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(Service).value())
        return false;
    QDBusInterface service(Service, Path, Service, bus);
    service.setTimeout(CallLimitMs);
    const QDBusReply<QStringList> capabilities = service.call(QStringLiteral("GetCapabilities"));
    QStringList actions;
    if (capabilities.isValid() && capabilities.value().contains(QStringLiteral("actions")) &&
        Listen())
        actions = {QStringLiteral("default"), QStringLiteral("Open the mail list")};
    const QVariantMap hints{{QStringLiteral("desktop-entry"), Program}};
    const QDBusReply<uint> id = service.call(QStringLiteral("Notify"), Program, 0u, Program, title,
                                             text, actions, hints, ShownMs);
    if (!id.isValid())
        return false;
    if (!actions.isEmpty())
        waiting_.insert(id.value());
    return true;
}

void DesktopNotices::ActionInvoked(uint id, const QString&) {
    if (waiting_.erase(id) > 0 && chosen_)
        chosen_();
}

void DesktopNotices::NotificationClosed(uint id, uint) {
    waiting_.erase(id);
}

} // namespace kestrel
