// The command dispatch, the panel transitions, the menus and the tray callbacks.
#include "support/pop3_mailbox.h"
#include "support/shell_fixture.h"

#include <functional>
#include <memory>
#include <vector>

namespace kestrel::testing {
namespace {

using enum ControlName;
using enum PanelState;

std::vector<std::pair<int, std::string>> Items(const FakeDesktop::ShownMenu& menu) {
    std::vector<std::pair<int, std::string>> items;
    for (const MenuItem& item : menu.items)
        items.emplace_back(item.id, item.text);
    return items;
}

struct Transition {
    const char* name;
    PanelState from;
    std::function<void(ShellTest&)> event;
    PanelState to;
};

class PanelTransitions : public ShellTest, public ::testing::WithParamInterface<int> {
  public:
    static std::vector<Transition> Table();
    void Enter(PanelState state) {
        switch (state) {
        case MailConfig:
            Menu(CmdConfigMail);
            break;
        case ThroughputConfig:
            Menu(CmdConfigKestrel);
            break;
        case MailList:
            Tray(1035, TrayMouse::LeftButtonUp);
            break;
        case Compact:
            break;
        }
        ASSERT_EQ(app->Panel(), state);
    }
    using ShellTest::Click;
    using ShellTest::Menu;
    using ShellTest::Tray;
};

std::vector<Transition> PanelTransitions::Table() {
    auto menu = [](int id) {
        return [id](ShellTest& t) { static_cast<PanelTransitions&>(t).Menu(id); };
    };
    auto click = [](int id) {
        return [id](ShellTest& t) { static_cast<PanelTransitions&>(t).Click(id); };
    };
    auto mailIcon = [](ShellTest& t) {
        static_cast<PanelTransitions&>(t).Tray(1035, TrayMouse::LeftButtonUp);
    };
    std::vector<Transition> rows;
    for (PanelState from : {MailConfig, ThroughputConfig, MailList, Compact}) {
        rows.push_back({"config mail", from, menu(106), MailConfig});
        rows.push_back({"config kestrel", from, menu(101), ThroughputConfig});
        rows.push_back({"mail mark", from, click(1), MailList});
    }
    rows.push_back({"mail icon opens", MailConfig, mailIcon, MailList});
    rows.push_back({"mail icon opens", ThroughputConfig, mailIcon, MailList});
    rows.push_back({"mail icon opens", Compact, mailIcon, MailList});
    rows.push_back({"mail icon closes", MailList, mailIcon, Compact});
    rows.push_back({"ok", MailConfig, click(5), Compact});
    rows.push_back({"ok", ThroughputConfig, click(5), Compact});
    rows.push_back({"ok", MailList, click(5), Compact});
    rows.push_back({"ok", Compact, click(5), Compact});
    rows.push_back({"eMail-Client", MailList, menu(302), Compact});
    return rows;
}

TEST_P(PanelTransitions, FollowTheTable) {
    const Transition row = Table()[static_cast<size_t>(GetParam())];
    StartCompact();
    Enter(row.from);
    row.event(*this);
    EXPECT_EQ(app->Panel(), row.to) << row.name << " from " << static_cast<int>(row.from);
}

INSTANTIATE_TEST_SUITE_P(AllRows, PanelTransitions,
                         ::testing::Range(0, static_cast<int>(PanelTransitions::Table().size())));

TEST_F(ShellTest, SharedIdentifiersAreToldApartByTheirCode) {
    StartCompact();
    desk.control(InterfaceList).items = {"lo", "eth0", "eth1"};
    desk.control(InterfaceList).selection = 2;
    Select(InterfaceListId); // InterfaceList, selection changed
    EXPECT_EQ(app->Throughput().InterfaceNumber(), 3);
    EXPECT_EQ(app->Panel(), Compact) << "not the MailMarkBox click";
    Click(MailMarkBoxId); // MailMarkBox, clicked
    EXPECT_EQ(app->Panel(), MailList);
    EXPECT_EQ(app->Throughput().InterfaceNumber(), 3);
}

TEST_F(ShellTest, CodesOtherThanClickAndSelectionDoNothing) {
    StartCompact();
    desk.log.clear();
    for (int id : {1, 2, 3, 4, 5, 20, 30})
        app->OnCommand(id, 5, true); // e.g. a list losing the focus
    Click(SpeedListId);              // SpeedList has no click row
    Click(MailListBoxId);
    EXPECT_TRUE(desk.log.empty());
    EXPECT_EQ(app->Panel(), Compact);
}

TEST_F(ShellTest, MenuIdentifiersFromAControlAreIgnored) {
    StartCompact();
    desk.log.clear();
    app->OnCommand(101, 0, true);
    app->OnCommand(104, 0, true);
    EXPECT_TRUE(desk.log.empty());
}

TEST_F(ShellTest, AMenuCommandAlsoRunsANotificationRowOfItsIdentifier) {
    StartCompact();
    Menu(CmdConfigMail);
    Type(HostEdit, "h");
    app->OnCommand(5, 0, false); // an identifier 5 with no control: the OkButton row
    EXPECT_EQ(app->Panel(), Compact);
    EXPECT_EQ(app->Mail().Accounts()[0].server.Text(), "h");
}

TEST_F(ShellTest, InertItemsOnlyCloseTheirMenu) {
    StartCompact();
    desk.log.clear();
    for (int id : {103, 105, 204, 303})
        Menu(id);
    EXPECT_TRUE(desk.log.empty());
    EXPECT_EQ(app->Panel(), Compact);
}

TEST_F(ShellTest, ThroughputIconRightClickShowsTheTrayMenuThenResendsTheRecord) {
    StartCompact();
    desk.pointer = {600, 700};
    desk.log.clear();
    Tray(1034, TrayMouse::RightButtonUp);
    ASSERT_EQ(desk.menus.size(), 1u);
    EXPECT_EQ(desk.menus[0].topLeft, (Point{595, 695}));
    EXPECT_EQ(Items(desk.menus[0]),
              (std::vector<std::pair<int, std::string>>{{102, "about"},
                                                        {103, "go on"},
                                                        {105, ""},
                                                        {106, "config mail"},
                                                        {107, "sign-in"},
                                                        {101, "config kestrel"},
                                                        {104, "exit"}}));
    EXPECT_EQ(desk.menus[0].items[2].kind, MenuItemKind::Separator);
    EXPECT_EQ(desk.log, (std::vector<std::string>{"menu 102", "tray modify 1"}));
}

TEST_F(ShellTest, EveryThroughputIconMessageEndsWithTheRecordSentAgain) {
    StartCompact();
    desk.log.clear();
    Tray(1034, TrayMouse::Other); // a mere movement over the icon
    EXPECT_EQ(desk.log, (std::vector<std::string>{"tray modify 1"}));
    desk.log.clear();
    Tray(1034, TrayMouse::LeftButtonUp);
    EXPECT_EQ(desk.log, (std::vector<std::string>{"hide window", "tray modify 1"}));
    desk.log.clear();
    Tray(1034, TrayMouse::LeftButtonUp);
    ASSERT_GE(desk.log.size(), 3u);
    EXPECT_EQ(desk.log[0], "show window");
    EXPECT_EQ(desk.log[1], "paint") << "the platform paints before strip and graph are drawn";
    EXPECT_EQ(desk.log.back(), "tray modify 1");
}

TEST_F(ShellTest, MailIconAnswersBothButtonsAndNothingElse) {
    StartCompact();
    desk.log.clear();
    Tray(1035, TrayMouse::Other);
    EXPECT_TRUE(desk.log.empty());
    Tray(1035, TrayMouse::RightButtonUp);
    EXPECT_EQ(app->Panel(), MailList);
    EXPECT_TRUE(desk.menus.empty()) << "the MailIcon has no menu";
}

TEST_F(ShellTest, AboutShowsThePictureFiftyPixelsUpAndLeftOfThePointer) {
    StartCompact();
    desk.pointer = {300, 200};
    Menu(CmdAbout);
    ASSERT_EQ(desk.menus.size(), 1u);
    EXPECT_EQ(desk.menus[0].topLeft, (Point{250, 150}));
    ASSERT_EQ(desk.menus[0].items.size(), 1u);
    EXPECT_EQ(desk.menus[0].items[0].id, 204);
    EXPECT_EQ(desk.menus[0].items[0].kind, MenuItemKind::AboutPicture);
}

TEST_F(ShellTest, MailListSelectionOpensTheMailMenuAtThePointer) {
    StartCompact();
    Tray(1035, TrayMouse::LeftButtonUp);
    desk.pointer = {10, 20};
    Select(MailListBoxId);
    ASSERT_EQ(desk.menus.size(), 1u);
    EXPECT_EQ(desk.menus[0].topLeft, (Point{5, 15}));
    EXPECT_EQ(Items(desk.menus[0]), (std::vector<std::pair<int, std::string>>{
                                        {303, "esc"}, {301, "delete"}, {302, "eMail-Client"}}));
}

TEST_F(ShellTest, GraphAreaClickHidesAndTheThroughputIconBringsTheWindowBack) {
    StartCompact();
    Click(GraphAreaId);
    EXPECT_FALSE(desk.windowShown);
    Tray(1034, TrayMouse::LeftButtonUp);
    EXPECT_TRUE(desk.windowShown);
    EXPECT_TRUE(app->WindowVisible());
}

TEST_F(ShellTest, MailMarkClickForgetsWhatWasSeenAndOpensTheListEvenWhenOpen) {
    std::vector<std::unique_ptr<Pop3Mailbox>> boxes;
    StartCompact();
    auto accounts = [&](bool active) {
        for (int n = 1; n <= 3; ++n) {
            const std::string field = "127.0.0.1:" + std::to_string(boxes[n - 1]->port());
            app->Mail().StoreAccount(n, {field, "u", "p", active});
        }
    };
    for (size_t count : {3, 4, 5})
        boxes.push_back(std::make_unique<Pop3Mailbox>(
            std::vector<Pop3Mailbox::Message>(count, {"Subject: s"})));
    accounts(true);
    Tray(1035, TrayMouse::LeftButtonUp); // the listing sees 3, 4 and 5 messages
    ASSERT_EQ(app->Mail().SeenCounts(), (std::array<int32_t, 3>{3, 4, 5}));
    accounts(false); // so that what the click lists again cannot count as seen
    const Rect wide = desk.rect;
    Click(MailMarkBoxId);
    EXPECT_EQ(app->Mail().SeenCounts(), (std::array<int32_t, 3>{0, 0, 0}));
    EXPECT_EQ(app->Panel(), MailList);
    EXPECT_EQ(desk.rect.width, 305);
    EXPECT_EQ(desk.rect.top, wide.top);
}

TEST_F(ShellTest, ConfirmingTheThroughputPanelRestartsTheTimerEachTime) {
    StartCompact();
    Menu(CmdConfigKestrel);
    Click(OkButtonId);
    EXPECT_EQ(desk.timerStarts, 2);
    EXPECT_EQ(app->Throughput().InterfaceNumber(), 100)
        << "nothing chosen: the timer runs regardless";
}

} // namespace
} // namespace kestrel::testing
