// Notifications through the desktop's service: a service of the test's own, on another connection
// and thread as another program's would be, on the bus dbus-run-session made for this test alone.
#include "fake/fake_desktop.h"
#include "mail/account_states.h"
#include "qt/desktop_notices.h"
#include "qt/qt_tray.h"

#include <QApplication>
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

// The window's receiver: what a taken notification asks for.
struct Receiver : WindowEvents {
    void OnCreate() override {}
    void OnClose() override {}
    void OnCommand(int, int, bool) override {}
    void OnTimer() override {}
    void OnTrayCallback(int callbackMessage, TrayMouse mouse) override {
        chosen += callbackMessage == 1034 && mouse == TrayMouse::NoticeChosen;
    }
    void OnTaskbarCreated() override {}
    void OnResumeOrNetworkChange() override {}
    int chosen = 0;
};

// New mail as a check named it, from the account's outcome through the tray to the service.
TEST(DesktopNoticesTest, NewMailReachesTheServiceBySenderAndSubjectWithItsActionWhereOffered) {
    AccountOutcome outcome = SucceededWith(4, 1);
    outcome.named = {{"Ann", "Lunch"}};
    for (const bool actions : {true, false}) {
        Service service(actions);
        Receiver receiver;
        QtShell shell;
        shell.events = &receiver;
        QtTray tray(shell);
        FakeDesktop desk;
        AccountStates(desk.Ports().controls, tray, {1, 1034, std::string("NO"), {}})
            .Take(2, outcome);
        QElapsedTimer waited;
        waited.start();
        while (actions && receiver.chosen == 0 && waited.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(receiver.chosen, actions ? 1 : 0);
        std::lock_guard lock(service.mutex);
        ASSERT_EQ(service.calls.size(), 1u);
        const QList<QVariant>& call = service.calls[0];
        ASSERT_EQ(call.size(), 8);
        EXPECT_EQ(call[0].toString() + " " + call[2].toString(), "kestrel kestrel"); // name, icon
        EXPECT_EQ(call[3].toString() + " | " + call[4].toString(), "kestrel | account 2: Ann: Lunch");
        EXPECT_EQ(call[5].toStringList().size(), actions ? 2 : 0);
    }
    // Without a service the balloon stands in.
    EXPECT_FALSE(DesktopNotices({}).Show("kestrel", "text"));
}

} // namespace
} // namespace kestrel

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
