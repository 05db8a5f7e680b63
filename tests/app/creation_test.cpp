// Start-up, the creation sequence, the tick and the shutdown.
#include "support/pop3_mailbox.h"
#include "support/shell_fixture.h"

#include <vector>

namespace kestrel::testing {
namespace {

using enum ControlName;

TEST_F(ShellTest, SecondInstanceShowsItsMessageAndTouchesNothing) {
    desk.otherInstanceRunning = true;
    EXPECT_EQ(Start(), 0);
    ASSERT_EQ(desk.messages.size(), 1u);
    EXPECT_EQ(desk.messages[0].text, "läuft schon");
    EXPECT_EQ(desk.messages[0].caption, "kestrel");
    EXPECT_FALSE(desk.windowCreated);
    EXPECT_TRUE(desk.trayIcons.empty());
    EXPECT_EQ(desk.log, (std::vector<std::string>{"find kestrel", "message läuft schon"}));
}

TEST_F(ShellTest, FirstStartOpensTheWideThroughputPanelAtTheBottomRight) {
    EXPECT_EQ(Start(), 0);
    EXPECT_EQ(desk.rect, (Rect{Screen().width - 300, Screen().height - 98, 300, 63}));
    EXPECT_EQ(app->Panel(), PanelState::ThroughputConfig);
    EXPECT_TRUE(desk.Visible(InterfaceList));
    EXPECT_TRUE(desk.Visible(SpeedList));
    EXPECT_EQ(desk.control(InterfaceList).selection, -1);
    EXPECT_EQ(desk.control(SpeedList).selection, -1);
    EXPECT_FALSE(desk.timer.has_value()) << "no timer until an interface is configured";
    EXPECT_EQ(app->RestoreLeft(), Screen().width - 100);
    EXPECT_TRUE(desk.windowShown);
}

TEST_F(ShellTest, FirstStartTrayShowsTheNoPictureWithAnEmptyTooltip) {
    Start();
    ASSERT_EQ(desk.trayIcons.size(), 1u);
    const TrayIconRecord& icon = desk.trayIcons.at(1);
    EXPECT_EQ(icon.callbackMessage, 1034);
    EXPECT_EQ(std::get<std::string>(icon.picture), "NO");
    EXPECT_EQ(icon.tooltip, "");
    const TrayIconRecord& mailIcon = app->Mail().MailIcon();
    EXPECT_EQ(mailIcon.id, 2);
    EXPECT_EQ(mailIcon.callbackMessage, 1035);
    EXPECT_EQ(std::get<std::string>(mailIcon.picture), "MAIL");
}

TEST_F(ShellTest, CreationRunsItsStepsInOrder) {
    Start();
    const std::vector<std::string> order{
        "find kestrel",         "load resources",       "create window",  "move 724,670 300x63",
        "create OkButton",      "create AccountRadio3", "create font",    "tray add 1",
        "create drawing tools", "show InterfaceList",   "show SpeedList", "paint",
        "message loop"};
    int previous = -1;
    for (const std::string& step : order) {
        const int at = LogIndex(step);
        EXPECT_GT(at, previous) << step;
        previous = at;
    }
}

TEST_F(ShellTest, ControlsAreCreatedInStackingOrder) {
    Start();
    const std::vector<ControlName> order{
        OkButton,      MailMarkBox,   AccountLabel,  GraphArea,     HostLabel,     UserLabel,
        PasswordLabel, InterfaceList, SpeedList,     MailListBox,   HostEdit,      UserEdit,
        PasswordEdit,  ActiveCheck,   AccountRadio1, AccountRadio2, AccountRadio3, StatusLine};
    ASSERT_EQ(desk.controls.size(), order.size());
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(desk.controls[i].definition.name, order[i]) << i;
}

TEST_F(ShellTest, SpeedListHoldsTheStepsInStepOrder) {
    Start();
    EXPECT_EQ(desk.control(SpeedList).items,
              (std::vector<std::string>{"  1 Mb/s", "  2 Mb/s", "  3 Mb/s", "  6 Mb/s", " 10 Mb/s",
                                        "100 Mb/s", "1000", "10000", "auto"}));
}

TEST_F(ShellTest, StartSelectsAccountOneAndFillsTheForm) {
    Start();
    EXPECT_EQ(app->CurrentAccount(), 1);
    EXPECT_TRUE(desk.control(AccountRadio1).checked);
    EXPECT_FALSE(desk.control(ActiveCheck).checked);
    EXPECT_EQ(desk.control(HostEdit).text, "");
}

struct QuietCase {
    const char* commandLine;
    bool quiet;
};

class QuietRule : public ::testing::TestWithParam<QuietCase> {};

TEST_P(QuietRule, IsCaseSensitiveAndFoundAnywhere) {
    EXPECT_EQ(HasQuietWord(GetParam().commandLine), GetParam().quiet) << GetParam().commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, QuietRule,
    ::testing::Values(QuietCase{"kestrel.exe quiet", true}, QuietCase{"kestrel.exe /quiet", true},
                      QuietCase{"kestrel.exe disquieting", true},
                      QuietCase{"C:\\quiet\\kestrel.exe", true},
                      QuietCase{"\"C:\\Program Files\\kestrel.exe\" -x quiet", true},
                      QuietCase{"kestrel.exe Quiet", false}, QuietCase{"kestrel.exe QUIET", false},
                      QuietCase{"kestrel.exe quieT", false}, QuietCase{"kestrel.exe qu iet", false},
                      QuietCase{"kestrel.exe", false}, QuietCase{"", false}));

TEST_F(ShellTest, QuietOnAFirstStartHidesAtTheFirstTickAfterConfirming) {
    Start("kestrel.exe quiet");
    EXPECT_TRUE(desk.windowShown);
    Click(OkButtonId); // confirm the throughput panel: the timer starts
    ASSERT_TRUE(desk.timer.has_value());
    EXPECT_TRUE(desk.windowShown);
    app->OnTimer();
    EXPECT_FALSE(desk.windowShown);
    EXPECT_FALSE(app->WindowVisible());
    app->ToggleWindow();
    app->OnTimer();
    EXPECT_TRUE(desk.windowShown) << "only the first tick hides";
}

TEST_F(ShellTest, WithoutQuietTheTickNeverHides) {
    StartCompact();
    app->OnTimer();
    EXPECT_TRUE(desk.windowShown);
}

TEST_F(ShellTest, MailTicksCountOnlyWhileTheSettingsEnabledThePeriodicCheck) {
    StartCompact();
    for (int i = 0; i < 200; ++i)
        app->OnTimer();
    EXPECT_EQ(app->Mail().TicksSinceCheck(), 0);
    app->Mail().SetPeriodicCheck(true);
    for (int i = 0; i < 7; ++i)
        app->OnTimer();
    EXPECT_EQ(app->Mail().TicksSinceCheck(), 7);
}

TEST_F(ShellTest, PeriodicCheckRunsAtTheHundredAndFiftiethCountAndRestartsTheCount) {
    Pop3Mailbox box(
        {Pop3Mailbox::Message{"Subject: waiting"}}); // so that the check shows itself in the tray
    StartCompact();
    app->Mail().SetPeriodicCheck(true);
    app->Mail().StoreAccount(2, {"127.0.0.1:" + std::to_string(box.port()), "u", "p", true});
    for (int i = 0; i < 150; ++i)
        app->OnTimer();
    EXPECT_EQ(app->Mail().TicksSinceCheck(), 150);
    EXPECT_FALSE(desk.trayIcons.contains(2));
    desk.log.clear();
    Tick();
    EXPECT_EQ(app->Mail().TicksSinceCheck(), 1) << "reset by the check, then counted";
    EXPECT_TRUE(desk.trayIcons.contains(2));
    EXPECT_TRUE(desk.Visible(MailMarkBox));
    EXPECT_NE(LogIndex("show MailMarkBox"), -1) << "the mark is shown by the check itself";
}

TEST_F(ShellTest, WithNoActiveAccountTheCheckRunsOnEveryTickPastTheMark) {
    StartCompact();
    app->Mail().SetPeriodicCheck(true);
    for (int i = 0; i < 150; ++i)
        app->OnTimer();
    app->OnTimer();
    app->OnTimer();
    EXPECT_EQ(app->Mail().TicksSinceCheck(), 152);
}

class ShutdownTest : public ShellTest, public ::testing::WithParamInterface<bool> {};

TEST_P(ShutdownTest, CloseAndExitSaveTheDraggedPositionAndQuitTheSameWay) {
    StartCompact();
    desk.Drag({40, -7});
    desk.log.clear();
    if (GetParam())
        app->OnClose();
    else
        Menu(CmdExit);
    const SettingsValues saved = DecodeSettings(settings.content.value_or(""), {});
    EXPECT_EQ(saved.windowLeft, 40);
    EXPECT_EQ(saved.windowTop, -7);
    EXPECT_EQ(desk.log, (std::vector<std::string>{"delete drawing tools", "tray delete 1",
                                                  "tray delete 2", "quit 0"}));
    EXPECT_TRUE(desk.trayIcons.empty());
}

INSTANTIATE_TEST_SUITE_P(CloseOrExit, ShutdownTest, ::testing::Bool());

TEST_F(ShellTest, NewTaskbarGetsTheThroughputIconBackAndTheMailIconOnlyWhenShown) {
    StartCompact();
    desk.trayIcons.clear(); // Explorer restarted
    app->OnTaskbarCreated();
    EXPECT_TRUE(desk.trayIcons.contains(1));
    EXPECT_FALSE(desk.trayIcons.contains(2));

    Pop3Mailbox box({Pop3Mailbox::Message{"Subject: waiting"}});
    app->Mail().StoreAccount(1, {"127.0.0.1:" + std::to_string(box.port()), "u", "p", true});
    Check(); // the end of a plain check that found mail adds the MailIcon
    desk.trayIcons.clear();
    app->OnTaskbarCreated();
    EXPECT_TRUE(desk.trayIcons.contains(1));
    EXPECT_TRUE(desk.trayIcons.contains(2));
}

} // namespace
} // namespace kestrel::testing
