// Widening and narrowing, the controls of each panel, and the account form.
#include "support/pop3_mailbox.h"
#include "support/shell_fixture.h"

#include <vector>

namespace kestrel::testing {
namespace {

using enum ControlName;

const std::vector<ControlName> MailConfigControls{
    HostEdit,      UserEdit,      PasswordEdit, PasswordLabel, AccountRadio1,
    AccountRadio2, AccountRadio3, AccountLabel, ActiveCheck,   StatusLine};

TEST_F(ShellTest, ConfirmAfterAFirstStartPutsTheCompactWindowAtTheRightEdge) {
    Start();
    Click(OkButtonId);
    EXPECT_EQ(desk.rect, (Rect{Screen().width - 100, Screen().height - 98, 100, 63}));
    EXPECT_EQ(app->Panel(), PanelState::Compact);
    EXPECT_FALSE(desk.Visible(InterfaceList));
    EXPECT_FALSE(desk.Visible(SpeedList));
    ASSERT_TRUE(desk.timer.has_value());
    EXPECT_EQ(desk.timer->id, 2);
    EXPECT_EQ(desk.timer->periodMs, 2000);
}

struct EdgeCase {
    int fromRightEdge; // the compact window's left edge is screen width minus this
    int expandedFromRightEdge;
};

class ExpandNearTheEdge : public ShellTest, public ::testing::WithParamInterface<EdgeCase> {};

TEST_P(ExpandNearTheEdge, MovesLeftOnlyWhenLessThan280PixelsRemain) {
    StartCompact();
    const int w = Screen().width;
    desk.Drag({w - GetParam().fromRightEdge, 300});
    Menu(CmdConfigMail); // config mail
    EXPECT_EQ(desk.rect, (Rect{w - GetParam().expandedFromRightEdge, 300, 305, 63}));
    Click(OkButtonId);
    EXPECT_EQ(desk.rect, (Rect{w - GetParam().fromRightEdge, 300, 100, 63}))
        << "the collapse returns to the edge before the expansion";
}

INSTANTIATE_TEST_SUITE_P(
    LeftEdges, ExpandNearTheEdge,
    ::testing::Values(EdgeCase{100, 305}, // the usual place: moved so the right edges meet
                      EdgeCase{279, 305}, // just inside the 280 band
                      EdgeCase{280, 280}, // 280 left: not moved, 25 pixels past the edge
                      EdgeCase{290, 290}, EdgeCase{305, 305}, EdgeCase{600, 600},
                      EdgeCase{-50, 305})); // a window partly off the right edge

TEST_F(ShellTest, DragThenConfirmReturnsToTheFormerLeftEdgeAtTheDraggedHeight) {
    StartCompact();
    const int w = Screen().width;
    Menu(CmdConfigMail);
    EXPECT_EQ(desk.rect.left, w - 305);
    desk.Drag({300, 200});
    Click(OkButtonId);
    EXPECT_EQ(desk.rect, (Rect{w - 100, 200, 100, 63}));
}

TEST_F(ShellTest, MailConfigShowsItsTenControlsAndCollapseHidesAllButPasswordLabel) {
    StartCompact();
    desk.log.clear();
    Menu(CmdConfigMail);
    std::vector<std::string> shown;
    for (const std::string& entry : desk.log) {
        if (entry.starts_with("show ") && entry != "show window")
            shown.push_back(entry.substr(5));
    }
    std::vector<std::string> expected;
    for (ControlName c : MailConfigControls)
        expected.push_back(NameOf(c));
    EXPECT_EQ(shown, expected) << "shown in this order";
    EXPECT_EQ(desk.focus, HostEdit);
    EXPECT_EQ(app->Panel(), PanelState::MailConfig);

    Click(OkButtonId);
    for (ControlName c : MailConfigControls)
        EXPECT_EQ(desk.Visible(c), c == PasswordLabel) << NameOf(c);
}

TEST_F(ShellTest, ControlsLeftOverFromAnotherPanelStayShown) {
    StartCompact();
    Menu(CmdConfigKestrel); // config kestrel
    const int wideLeft = desk.rect.left;
    Menu(CmdConfigMail); // config mail over it: widens again from the wide window
    EXPECT_EQ(app->RestoreLeft(), wideLeft);
    Click(OkButtonId);
    EXPECT_EQ(app->Panel(), PanelState::Compact);
    EXPECT_TRUE(desk.Visible(InterfaceList));
    EXPECT_TRUE(desk.Visible(SpeedList));
    EXPECT_FALSE(desk.Visible(HostEdit));
    EXPECT_EQ(desk.rect.left, wideLeft) << "back to the left edge the wide window had";
}

TEST_F(ShellTest, ThroughputPanelSelectsTheConfiguredItems) {
    StartCompact();
    desk.control(SpeedList).selection = 2;
    Select(SpeedListId);
    EXPECT_EQ(app->Throughput().SpeedStep(), 3);
    desk.control(InterfaceList).items = {"lo", "eth0"};
    desk.control(InterfaceList).selection = 1;
    Select(InterfaceListId);
    EXPECT_EQ(app->Throughput().InterfaceNumber(), 2);
    desk.control(SpeedList).selection = -1;
    desk.control(InterfaceList).selection = -1;
    Menu(CmdConfigKestrel);
    EXPECT_EQ(desk.control(SpeedList).selection, 2);
    EXPECT_EQ(desk.control(InterfaceList).selection, 1);
}

// A list reaching below the window would hide its last lines, the chosen one among them.
TEST_F(ShellTest, EveryListEndsWithinTheWindow) {
    Start();
    for (ControlName list : {InterfaceList, SpeedList, MailListBox}) {
        const Rect r = desk.control(list).definition.rect;
        EXPECT_LE(r.top + r.height, desk.rect.height) << NameOf(list);
    }
}

TEST_F(ShellTest, MailListHidesPasswordLabelAndClosingRestoresTheWindow) {
    StartCompact();
    Menu(CmdConfigMail);
    Click(OkButtonId); // PasswordLabel stays shown after the mail configuration
    ASSERT_TRUE(desk.Visible(PasswordLabel));
    const Rect compact = desk.rect;
    Tray(1035, TrayMouse::LeftButtonUp);
    EXPECT_EQ(app->Panel(), PanelState::MailList);
    EXPECT_TRUE(desk.Visible(MailListBox));
    EXPECT_FALSE(desk.Visible(PasswordLabel));
    EXPECT_EQ(desk.rect.width, 305);
    Tray(1035, TrayMouse::LeftButtonUp);
    EXPECT_EQ(app->Panel(), PanelState::Compact);
    EXPECT_FALSE(desk.Visible(MailListBox));
    EXPECT_EQ(desk.rect, compact);
    EXPECT_TRUE(desk.windowShown);
}

TEST_F(ShellTest, MailListOpenedWhileHiddenHidesAgainWhenClosed) {
    StartCompact();
    Click(GraphAreaId); // GraphArea hides the window
    ASSERT_FALSE(desk.windowShown);
    Tray(1035, TrayMouse::RightButtonUp);
    EXPECT_TRUE(desk.windowShown);
    Click(OkButtonId); // OkButton in the mail list clears and closes it
    EXPECT_FALSE(desk.windowShown);
    EXPECT_FALSE(app->WindowVisible());
}

TEST_F(ShellTest, ClearingTheMailListDismissesTheSignals) {
    Pop3Mailbox box({Pop3Mailbox::Message{"Subject: waiting"}});
    StartCompact();
    app->Mail().StoreAccount(1, {"127.0.0.1:" + std::to_string(box.port()), "u", "p", true});
    Check();
    ASSERT_TRUE(desk.trayIcons.contains(2));
    Tray(1035, TrayMouse::LeftButtonUp);
    desk.control(MailListBox).items = {"a", "b"};
    Click(OkButtonId);
    EXPECT_TRUE(desk.control(MailListBox).items.empty());
    EXPECT_FALSE(desk.trayIcons.contains(2));
    EXPECT_FALSE(app->Mail().MailPending());
    EXPECT_EQ(app->Panel(), PanelState::Compact);
}

TEST_F(ShellTest, SwitchingAccountsStoresTheFormIntoThePreviousAccount) {
    StartCompact();
    Menu(CmdConfigMail);
    Type(HostEdit, "pop.example.org");
    Type(UserEdit, "alice");
    Type(PasswordEdit, "secret");
    Click(ActiveCheckId); // ActiveCheck
    ClickRadio(AccountRadio2Id);
    EXPECT_EQ(app->Mail().Accounts()[0],
              (AccountRecord{"pop.example.org", "alice", "secret", true}));
    EXPECT_EQ(app->CurrentAccount(), 2);
    EXPECT_EQ(desk.control(HostEdit).text, "");
    EXPECT_FALSE(desk.control(ActiveCheck).checked);

    ClickRadio(AccountRadio1Id);
    EXPECT_EQ(desk.control(HostEdit).text, "pop.example.org");
    EXPECT_EQ(desk.control(PasswordEdit).text, "secret");
    EXPECT_TRUE(desk.control(ActiveCheck).checked);
}

TEST_F(ShellTest, ClickingTheShownAccountStoresAndRereadsIt) {
    StartCompact();
    Menu(CmdConfigMail);
    Type(UserEdit, "bob");
    ClickRadio(AccountRadio1Id);
    EXPECT_EQ(app->Mail().Accounts()[0].user, "bob");
    EXPECT_EQ(desk.control(UserEdit).text, "bob");
}

TEST_F(ShellTest, StoredTextsAreCutToFiftyBytes) {
    StartCompact();
    Menu(CmdConfigMail);
    Type(HostEdit, std::string(60, 'h'));
    Type(PasswordEdit, std::string(50, 'p'));
    Click(OkButtonId);
    EXPECT_EQ(app->Mail().Accounts()[0].server.Text(), std::string(50, 'h'));
    EXPECT_EQ(app->Mail().Accounts()[0].password, std::string(50, 'p'));
}

TEST_F(ShellTest, ActiveCheckTogglesAndReachesTheRecordOnlyWhenStored) {
    StartCompact();
    Menu(CmdConfigMail);
    Click(ActiveCheckId);
    EXPECT_TRUE(desk.control(ActiveCheck).checked);
    Click(OkButtonId);
    ASSERT_TRUE(app->Mail().Accounts()[0].active);
    Menu(CmdConfigMail);
    Click(ActiveCheckId);
    EXPECT_FALSE(desk.control(ActiveCheck).checked);
    Menu(CmdConfigKestrel); // left through the tray menu: nothing stored
    EXPECT_TRUE(app->Mail().Accounts()[0].active);
    ClickRadio(AccountRadio3Id);
    EXPECT_FALSE(app->Mail().Accounts()[0].active) << "stored as inactive by the switch";
}

} // namespace
} // namespace kestrel::testing
