// Notifications through the desktop's notification service: a small service of the test's own on
// the session bus that dbus-run-session made for this test alone.
#include "qt/desktop_notices.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace kestrel {
namespace {

const QString Service = "org.freedesktop.Notifications";
const QString Path = "/org/freedesktop/Notifications";

// The service: it records each Notify and, where it offers actions, takes the first one's.
class Listener : public QDBusVirtualObject {
  public:
    explicit Listener(bool actions) : actions_(actions) {}
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        if (message.member() == "GetCapabilities") {
            QStringList capabilities{"body"};
            if (actions_)
                capabilities << "actions";
            bus.send(message.createReply(QVariant(capabilities)));
        } else if (message.member() == "Notify") {
            std::lock_guard lock(mutex);
            calls.push_back(message.arguments());
            bus.send(message.createReply(QVariant(42u)));
            if (actions_)
                bus.send(QDBusMessage::createSignal(Path, Service, "ActionInvoked")
                         << 42u << QString("default"));
        } else {
            return false;
        }
        return true;
    }
    std::mutex mutex;
    std::vector<QList<QVariant>> calls;

  private:
    bool actions_;
};

// The service on a connection and a thread of its own, as another program's would be.
class RunningListener {
  public:
    explicit RunningListener(bool actions) : listener_(actions) {
        thread_.start();
        listener_.moveToThread(&thread_);
        bus_.registerVirtualObject(Path, &listener_);
        bus_.registerService(Service);
    }
    ~RunningListener() {
        bus_.unregisterService(Service);
        bus_.unregisterObject(Path);
        thread_.quit();
        thread_.wait();
        QDBusConnection::disconnectFromBus("listener");
    }
    Listener& listener() { return listener_; }

  private:
    QThread thread_;
    Listener listener_;
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "listener");
};

struct Desktop {
    const char* name;
    bool service;
    bool actions;
};

void PrintTo(const Desktop& row, std::ostream* out) {
    *out << row.name;
}

class DesktopNoticesTest : public ::testing::TestWithParam<Desktop> {};

TEST_P(DesktopNoticesTest, ANotificationReachesTheServiceWithItsActionWhereOffered) {
    const Desktop& row = GetParam();
    std::optional<RunningListener> service;
    if (row.service)
        service.emplace(row.actions);
    std::atomic<int> chosen = 0;
    DesktopNotices notices([&] { ++chosen; });
    EXPECT_EQ(notices.Show("kestrel", "Ann <a@b.c>: Lunch"), row.service);
    QElapsedTimer waited;
    waited.start();
    while (row.actions && chosen == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(chosen, row.actions ? 1 : 0);
    if (!service)
        return;
    std::lock_guard lock(service->listener().mutex);
    ASSERT_EQ(service->listener().calls.size(), 1u);
    const QList<QVariant>& call = service->listener().calls[0];
    ASSERT_EQ(call.size(), 8);
    EXPECT_EQ(call[0].toString(), "kestrel"); // the program's name
    EXPECT_EQ(call[2].toString(), "kestrel"); // its icon
    EXPECT_EQ(call[4].toString(), "Ann <a@b.c>: Lunch");
    EXPECT_EQ(call[5].toStringList().size(), row.actions ? 2 : 0);
}

INSTANTIATE_TEST_SUITE_P(Desktops, DesktopNoticesTest,
                         ::testing::Values(Desktop{"WithActions", true, true},
                                           Desktop{"WithoutActions", true, false},
                                           Desktop{"NoService", false, false}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrel

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
