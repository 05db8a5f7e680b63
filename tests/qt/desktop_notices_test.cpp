// Notifications through the desktop's service: a service of the test's own, on another connection
// and thread as another program's would be, on the bus dbus-run-session made for this test alone.
#include "mail/account_states.h"
#include "qt/desktop_notices.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

#include <mutex>

namespace kestrel {
namespace {

const QString Name = "org.freedesktop.Notifications";
const QString Path = "/org/freedesktop/Notifications";

// Records each Notify and, where it offers actions, takes the notification's at once.
class Service : public QDBusVirtualObject {
  public:
    explicit Service(bool actions) : actions_(actions) {
        thread_.start();
        moveToThread(&thread_);
        bus_.registerVirtualObject(Path, this);
        bus_.registerService(Name);
    }
    ~Service() override {
        bus_.unregisterService(Name);
        bus_.unregisterObject(Path);
        thread_.quit();
        thread_.wait();
        QDBusConnection::disconnectFromBus("service");
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& bus) override {
        const QStringList capabilities = actions_ ? QStringList{"body", "actions"} : QStringList{};
        if (message.member() == "GetCapabilities")
            return bus.send(message.createReply(QVariant(capabilities)));
        if (message.member() != "Notify")
            return false;
        std::lock_guard lock(mutex);
        calls.push_back(message.arguments());
        bus.send(message.createReply(QVariant(42u)));
        return !actions_ ||
               bus.send(QDBusMessage::createSignal(Path, Name, "ActionInvoked") << 42u << "default");
    }
    std::mutex mutex;
    std::vector<QList<QVariant>> calls;

  private:
    bool actions_;
    QThread thread_;
    QDBusConnection bus_ = QDBusConnection::connectToBus(QDBusConnection::SessionBus, "service");
};

// New mail as a check named it, from its notice's text to the service.
TEST(DesktopNoticesTest, ANotificationReachesTheServiceWithItsActionWhereOffered) {
    AccountOutcome outcome = SucceededWith(4, 1);
    outcome.named = {{"Ann", "Lunch"}};
    for (const bool actions : {true, false}) {
        Service service(actions);
        int chosen = 0;
        DesktopNotices notices([&] { ++chosen; });
        NoticeHistory history;
        for (const std::string& text : NoticesFor(2, outcome, history))
            EXPECT_TRUE(notices.Show("kestrel", QString::fromStdString(text)));
        QElapsedTimer waited;
        waited.start();
        while (actions && chosen == 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(chosen, actions ? 1 : 0);
        std::lock_guard lock(service.mutex);
        ASSERT_EQ(service.calls.size(), 1u);
        const QList<QVariant>& call = service.calls[0];
        ASSERT_EQ(call.size(), 8);
        EXPECT_EQ(call[0].toString() + " " + call[2].toString(), "kestrel kestrel"); // name, icon
        EXPECT_EQ(call[4].toString(), "account 2: Ann: Lunch");
        EXPECT_EQ(call[5].toStringList().size(), actions ? 2 : 0);
    }
    // Without a service the balloon stands in.
    EXPECT_FALSE(DesktopNotices({}).Show("kestrel", "text"));
}

} // namespace
} // namespace kestrel

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
