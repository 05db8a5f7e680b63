#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <set>

namespace kestrel {

// The desktop's notification service (org.freedesktop.Notifications) on the session bus: what
// it shows reaches the desktop's history and its do-not-disturb, with a tray or without one.
class DesktopNotices : public QObject {
    Q_OBJECT

  public:
    // How long a call to the service may take: one that hangs must not hold the window.
    static constexpr int CallLimitMs = 1000;

    // chosen runs when the user takes a notification's action, where the service offers them.
    explicit DesktopNotices(std::function<void()> chosen);

    // Shown under the program's name and icon; false when no service runs or it refused.
    bool Show(const QString& title, const QString& text);

  private slots:
    void ActionInvoked(uint id, const QString& key);
    void NotificationClosed(uint id, uint reason);

  private:
    bool Listen();

    std::function<void()> chosen_;
    bool listening_ = false;
    std::set<uint> waiting_; // ours with an action, until closed: the bus tells of every program's
};

} // namespace kestrel
