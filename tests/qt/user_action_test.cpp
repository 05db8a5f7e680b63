// The user's clicks, drags, typing and menu choices on the Qt desktop reach the core as its
// commands.
#include "app/application.h"
#include "app/control_table.h"
#include "app/shell_menus.h"
#include "fake/fake_desktop.h"
#include "qt/qt_control_widgets.h"
#include "qt/qt_desktop.h"
#include "qt/qt_sign_in_dialog.h"
#include "qt_test_support.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

using enum ControlName;

// A receiver that only records what the Qt desktop delivers.
struct Recorder : WindowEvents {
    QtDesktop* desktop = nullptr;
    std::vector<std::tuple<int, int, bool>> commands;
    void OnCreate() override {
        const Desktop ports = desktop->Ports();
        for (const ControlSpec& row : ControlTable())
            ports.controls.CreateControl(row);
        ports.drawing.CreateMainFont();
    }
    void OnClose() override {}
    void OnCommand(int id, int code, bool fromControl) override {
        commands.emplace_back(id, code, fromControl);
    }
    void OnTimer() override {}
    void OnTrayCallback(int, TrayMouse) override {}
    void OnTaskbarCreated() override {}
    void OnResumeOrNetworkChange() override {}
};

class UserActionTest : public ::testing::Test {
  protected:
    QtDesktop qt;
    Desktop ports = qt.Ports();
    Recorder events;
    void SetUp() override {
        events.desktop = &qt;
        ports.services.LoadResources();
        ports.window.CreateMainWindow(events);
        for (const ControlSpec& row : ControlTable())
            ports.controls.ShowControl(row.name, row.name != MailListBox); // lies on the others
        ports.window.MoveWindow({0, 0, 305, 63});
        QApplication::processEvents();
    }
    // Through the window, which hands the click to whatever lies at that point.
    void Click(ControlName control, QPoint at = {5, 5}) {
        const QPoint inWindow = qt.Widget(control)->mapTo(qt.Window(), at);
        QTest::mouseClick(qt.Window()->windowHandle(), Qt::LeftButton, {}, inWindow);
    }
    std::vector<std::tuple<int, int, bool>> Delivered() {
        QApplication::processEvents();
        return std::exchange(events.commands, {});
    }
};

TEST_F(UserActionTest, ClicksArriveAsTheControlsNotifications) {
    ports.lists.ListAdd(InterfaceList, "lo");
    ports.lists.ListAdd(InterfaceList, "eth0");
    auto* interfaces = dynamic_cast<ListBox*>(qt.Widget(InterfaceList));
    const QPoint secondLine = interfaces->viewport()->mapTo(
        interfaces, interfaces->visualItemRect(interfaces->item(1)).center());

    const struct {
        ControlName control;
        QPoint at;
        std::vector<std::tuple<int, int, bool>> delivered;
    } table[] = {
        {OkButton, {5, 5}, {{5, 0, true}}},
        {MailMarkBox, {5, 5}, {{1, 0, true}}},
        {GraphArea, {50, 20}, {{4, 0, true}}},
        {ActiveCheck, {5, 5}, {{30, 0, true}}},
        {AccountRadio2, {5, 5}, {{21, 0, true}}},
        {AccountLabel, {5, 5}, {}}, // a static that does not notify: the window's
        {InterfaceList, secondLine, {{1, 1, true}}},
    };
    for (const auto& row : table) {
        Click(row.control, row.at);
        EXPECT_EQ(Delivered(), row.delivered) << NameOf(row.control);
    }
    EXPECT_FALSE(ports.controls.IsChecked(ActiveCheck))
        << "the application ticks the box, not the click";
    EXPECT_TRUE(ports.controls.IsChecked(AccountRadio2));
    EXPECT_EQ(ports.lists.ListSelection(InterfaceList), 1);

    ports.lists.ListSelect(InterfaceList, 0); // the application's own selection is not reported
    ports.controls.SetChecked(AccountRadio1, true);
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{}));
    EXPECT_FALSE(ports.controls.IsChecked(AccountRadio2)) << "the radios are one group";
}

// A static that does not notify lets the mouse through: the window beneath drags.
TEST_F(UserActionTest, AnyFreePartOfTheWindowDragsIt) {
    ports.window.MoveWindow({200, 100, 305, 63});
    QWindow* window = qt.Window()->windowHandle();
    for (const QPoint grab : {QPoint(50, 5), QPoint(120, 5), QPoint(10, 14)}) { // strip, label
        const Rect before = ports.window.WindowRect();
        QTest::mousePress(window, Qt::LeftButton, {}, grab);
        QTest::mouseMove(window, grab + QPoint(30, 20));
        QTest::mouseRelease(window, Qt::LeftButton, {}, grab); // it moved under the pointer
        EXPECT_EQ(ports.window.WindowRect(), (Rect{before.left + 30, before.top + 20, 305, 63}))
            << grab.x();
    }
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{}));
}

// Past the screen's top left the window goes on, as on a screen left of or above the primary
// one; a press that a control took drags nothing, however the pointer goes on.
TEST_F(UserActionTest, TheWindowDragsPastTheScreenEdgeButNotFromAControl) {
    ports.window.MoveWindow({200, 100, 100, 63});
    QWindow* window = qt.Window()->windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, {50, 5});
    QTest::mouseMove(window, {50 - 240, 5 - 130});
    QTest::mouseRelease(window, Qt::LeftButton, {}, {50, 5});
    EXPECT_EQ(ports.window.WindowRect(), (Rect{-40, -30, 100, 63}));

    ports.window.MoveWindow({200, 100, 100, 63});
    QTest::mousePress(window, Qt::LeftButton, {}, {50, 40}); // the graph: a control that notifies
    QTest::mouseMove(window, {20, 30});
    QTest::mouseRelease(window, Qt::LeftButton, {}, {20, 30});
    EXPECT_EQ(ports.window.WindowRect(), (Rect{200, 100, 100, 63}));
}

TEST_F(UserActionTest, FieldsTakeEveryCharacter) {
    ports.controls.SetText(HostEdit, "pòp.Иван.org");
    EXPECT_EQ(ports.controls.GetText(HostEdit, 256), "pòp.Иван.org");
    ports.controls.Focus(UserEdit);
    Type(qt.Widget(UserEdit), QString::fromStdU16String(u"j\u00F2rg\u00FF \u0418"));
    EXPECT_EQ(ports.controls.GetText(UserEdit, 256), "jòrgÿ И");
    ports.controls.SetText(UserEdit, "jòrgÿ И🔑");
    EXPECT_EQ(ports.controls.GetText(UserEdit, 256), "jòrgÿ И🔑");
    EXPECT_EQ(ports.controls.GetText(UserEdit, 3), "jò") << "the limit counts the terminator";
    EXPECT_EQ(ports.controls.GetText(UserEdit, 9), "jòrgÿ И") << "never half a character";
    ports.controls.SetText(PasswordEdit, "secret");
    EXPECT_EQ(dynamic_cast<QLineEdit*>(qt.Widget(PasswordEdit))->echoMode(), QLineEdit::Password);
}

TEST_F(UserActionTest, AChosenMenuItemArrivesAfterTheMenuHasClosed) {
    ChooseInNextMenu("delete");
    ports.menus.ShowPopupMenu(MailMenu(), {10, 10});
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{{CmdDeleteMail, 0, false}}));
    ChooseInNextMenu("config kestrel");
    ports.menus.ShowPopupMenu(TrayMenu(), {10, 10});
    EXPECT_EQ(Delivered(), (std::vector<std::tuple<int, int, bool>>{{CmdConfigKestrel, 0, false}}));
}

TEST_F(UserActionTest, WithoutATrayTheWindowStaysShownAndSaysSoOnce) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable()) << "offscreen has none";
    ::testing::internal::CaptureStderr();
    ports.tray.Add({ThroughputIconId, ThroughputCallback, std::string("NO"), {}});
    ports.window.ShowWindow(false);
    ports.window.ShowWindow(false);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(qt.Window()->isVisible()) << "a hidden window could not come back";
    const std::string line = "kestrel: no system tray is available; the window stays shown\n";
    const size_t first = said.find(line);
    EXPECT_NE(first, std::string::npos) << said;
    EXPECT_EQ(said.find(line, first + 1), std::string::npos) << "once";
}

// The sign-in dialog as a user fills it: each account keeps its own fields while another is
// shown, only the fields the chosen way reads take input, and OK gives the account shown.
TEST(SignInDialogTest, EachAccountKeepsItsFieldsAndOkGivesTheOneShown) {
    SignInForm form;
    form.account = 2;
    form.accounts[1] = {1, 0, "get-token", "", "", "", "", "ok: 3 messages"};
    std::optional<SignInChoice> choice;
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        const auto field = [&](const char* label) {
            return dialog->findChild<QWidget*>(QString::fromUtf8(label));
        };
        auto* source = static_cast<QComboBox*>(field("log in with"));
        auto* account = static_cast<QComboBox*>(field("account"));
        EXPECT_EQ(source->currentIndex(), 1);
        EXPECT_FALSE(field("client id")->isEnabled());
        account->setCurrentIndex(0); // account 1, then back: account 2's command stays
        source->setCurrentIndex(3);  // Google
        EXPECT_TRUE(field("client id")->isEnabled());
        EXPECT_FALSE(field("token URL")->isEnabled());
        QTest::keyClicks(field("client id"), "id.apps.example");
        account->setCurrentIndex(1);
        EXPECT_EQ(static_cast<QLineEdit*>(field("token command"))->text(), "get-token");
        account->setCurrentIndex(0);
        EXPECT_EQ(static_cast<QLineEdit*>(field("client id"))->text(), "id.apps.example");
        if (const char* shot = std::getenv("KESTREL_SCREENSHOT"))
            dialog->grab().save(QString::fromUtf8(shot));
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    choice = RunQtSignInDialog(form);
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(choice->account, 1);
    EXPECT_EQ(choice->fields.source, 3);
    EXPECT_EQ(choice->fields.clientId, "id.apps.example");
}

} // namespace
} // namespace kestrel::testing
