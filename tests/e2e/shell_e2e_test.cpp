// The real kestrel.exe, started and driven from outside through its windows.
#include "e2e/kestrel_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace kestrel::probe {
namespace {

using namespace std::chrono_literals;

struct ExpectedChild {
    const char* className;
    int id;
    RECT rect;
    DWORD style; // without WS_CHILD and WS_VISIBLE
    DWORD extendedStyle;
    bool visibleAtCreation;
};

constexpr DWORD ListStyle = WS_BORDER | WS_VSCROLL | LBS_NOTIFY;

// The eighteen controls, top of the stack first.
const ExpectedChild Controls[] = {
    {"Button", 5, {280, 0, 300, 15}, BS_PUSHBUTTON, WS_EX_CLIENTEDGE, true},
    {"Static", 1, {88, 0, 103, 14}, SS_NOTIFY | SS_CENTER, WS_EX_STATICEDGE, true},
    {"Static", 12, {105, 0, 165, 15}, SS_LEFT, 0, false},
    {"Static", 4, {0, 15, 100, 75}, SS_NOTIFY, 0, true},
    {"Static", 10, {150, 15, 195, 30}, SS_LEFT, WS_EX_STATICEDGE, true},
    {"Static", 11, {150, 30, 195, 45}, SS_LEFT, WS_EX_STATICEDGE, true},
    {"Static", 12, {150, 45, 195, 60}, SS_LEFT, WS_EX_STATICEDGE, false},
    {"ListBox", 1, {110, 15, 230, 63}, ListStyle, WS_EX_CLIENTEDGE, false},
    {"ListBox", 2, {230, 15, 290, 63}, ListStyle | LBS_SORT, WS_EX_CLIENTEDGE, false},
    {"ListBox", 3, {110, 15, 300, 63}, ListStyle | LBS_HASSTRINGS, WS_EX_CLIENTEDGE, false},
    {"Edit", 1, {180, 15, 300, 30}, WS_TABSTOP | ES_NOHIDESEL, WS_EX_CLIENTEDGE, false},
    {"Edit", 2, {180, 30, 300, 45}, WS_TABSTOP, WS_EX_CLIENTEDGE, false},
    {"Edit", 3, {180, 45, 300, 60}, WS_TABSTOP | ES_PASSWORD, WS_EX_CLIENTEDGE, false},
    {"Button", 30, {105, 15, 150, 30}, BS_CHECKBOX, 0, false},
    {"Button", 20, {160, 0, 185, 15}, BS_AUTORADIOBUTTON, 0, false},
    {"Button", 21, {190, 0, 215, 15}, BS_AUTORADIOBUTTON, 0, false},
    {"Button", 22, {220, 0, 245, 15}, BS_AUTORADIOBUTTON, 0, false},
    {"Static", 40, {105, 30, 150, 63}, SS_LEFT, 0, false},
};
TEST_F(KestrelTest, FirstStartShowsTheWideWindowWithTheThroughputPanel) {
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ(className, "wndclass");
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    EXPECT_EQ(style & ~WS_CLIPSIBLINGS, static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)),
              static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT));
    EXPECT_EQ(GetClassLongA(window, GCL_STYLE), CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS);
    // The class background (system colour 11, inactive border) where no control lies.
    const int s = Scale();
    const RECT r = WindowRect(window);
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(GetPixel(screen, r.left + 104 * s, r.top + 8 * s), GetSysColor(COLOR_INACTIVEBORDER));
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(HasRect(ScreenWidth() - 300 * s, ScreenHeight() - 98 * s, 300 * s, 63 * s))
        << Describe(WindowRect(window));
}

TEST_F(KestrelTest, FirstStartHasTheEighteenControlsInTheirPlaces) {
    const std::vector<ChildWindow> kids = Kids();
    ASSERT_EQ(kids.size(), std::size(Controls));
    const int s = Scale();
    for (size_t i = 0; i < kids.size(); ++i) {
        const ExpectedChild& want = Controls[i];
        const ChildWindow& got = kids[i];
        SCOPED_TRACE("control " + std::to_string(i));
        EXPECT_EQ(lstrcmpiA(got.className.c_str(), want.className), 0) << got.className;
        EXPECT_EQ(got.id, want.id);
        // The platform adjusts two bits itself: a list box drops WS_VSCROLL while all its items
        // fit (SpeedList's nine do not), and a checked radio button becomes a tab stop.
        const DWORD adjusted =
            (i == SpeedList ? 0 : WS_VSCROLL) | (i >= FirstRadio ? WS_TABSTOP : 0);
        EXPECT_EQ(got.style & ~(WS_VISIBLE | adjusted), (WS_CHILD | want.style) & ~adjusted);
        EXPECT_EQ(got.extendedStyle, want.extendedStyle);
        const bool shownByFirstStart = i == InterfaceList || i == SpeedList;
        EXPECT_EQ(got.visible(), want.visibleAtCreation || shownByFirstStart);
        EXPECT_EQ(got.rect.left, want.rect.left * s);
        EXPECT_EQ(got.rect.top, want.rect.top * s);
        EXPECT_EQ(got.rect.right, want.rect.right * s);
        if (want.className == std::string("ListBox")) {
            // A list box without LBS_NOINTEGRALHEIGHT shrinks to whole items.
            EXPECT_LE(got.rect.bottom, want.rect.bottom * s);
            EXPECT_GT(got.rect.bottom, (want.rect.bottom - 20) * s);
        } else {
            EXPECT_EQ(got.rect.bottom, want.rect.bottom * s);
        }
    }
    EXPECT_EQ(ListTexts(kids[SpeedList].handle),
              (std::vector<std::string>{"  1 Mb/s", "  2 Mb/s", "  3 Mb/s", "  6 Mb/s", " 10 Mb/s",
                                        "100 Mb/s", "1000", "10000", "auto"}));
    EXPECT_EQ(SendMessageA(kids[SpeedList].handle, LB_GETCURSEL, 0, 0), LB_ERR);
    EXPECT_EQ(SendMessageA(kids[FirstRadio].handle, BM_GETCHECK, 0, 0), BST_CHECKED);
}

TEST_F(KestrelTest, SecondStartSaysItRunsAlreadyAndLeavesTheFirstAlone) {
    Process second("", process->directory());
    HWND box = WaitForWindow("#32770", "kestrel", second.id());
    ASSERT_NE(box, nullptr) << "no message box";
    std::string text;
    for (const ChildWindow& child : Children(box)) {
        if (lstrcmpiA(child.className.c_str(), "Static") == 0 && !WindowText(child.handle).empty())
            text = WindowText(child.handle);
    }
    EXPECT_EQ(text, "läuft schon");
    EXPECT_TRUE(second.Running()) << "waits for the message to be dismissed";
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(second.WaitForExit(10s), 0u);
    EXPECT_TRUE(process->Running());
    EXPECT_TRUE(Answers(window));
    EXPECT_EQ(WaitForWindow("wndclass", "kestrel", process->id(), 1s), window);
}

TEST_F(KestrelTest, MailConfigWidensAndOkCollapsesAtTheRightEdge) {
    const int w = ScreenWidth(), top = ScreenHeight() - 98;
    ClickOk(); // confirm the throughput panel of the first start
    EXPECT_TRUE(HasRect(w - 100, top, 100, 63)) << Describe(WindowRect(window));
    EXPECT_FALSE(Kids()[InterfaceList].visible());

    ChooseMenuCommand(106); // config mail
    EXPECT_TRUE(HasRect(w - 305, top, 305, 63)) << Describe(WindowRect(window));
    std::vector<ChildWindow> kids = Kids();
    for (int i : {HostEdit, HostEdit + 1, HostEdit + 2, PasswordLabel, ActiveCheck, FirstRadio,
                  FirstRadio + 1, FirstRadio + 2, 2})
        EXPECT_TRUE(kids[static_cast<size_t>(i)].visible()) << i;

    SendMessageW(kids[HostEdit].handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"127.0.0.1"));
    ClickOk();
    EXPECT_TRUE(HasRect(w - 100, top, 100, 63)) << Describe(WindowRect(window));
    kids = Kids();
    EXPECT_FALSE(kids[HostEdit].visible());
    EXPECT_FALSE(kids[ActiveCheck].visible());
    EXPECT_TRUE(kids[PasswordLabel].visible());
}

TEST_F(KestrelTest, TrayMenuOpensAtThePointerAndItsItemsComeInOrder) {
    ClickOk();
    HWND menu = OpenTrayMenu(400, 300);
    ASSERT_NE(menu, nullptr) << "no tray menu";
    const RECT r = WindowRect(menu);
    EXPECT_EQ(r.left, 395);
    EXPECT_EQ(r.top, 295);
    // about, go on, (separator), config mail: the third step down reaches "config mail".
    for (int i = 0; i < 3; ++i)
        Press(menu, VK_DOWN);
    Press(menu, VK_RETURN);
    EXPECT_TRUE(HasRect(ScreenWidth() - 305, ScreenHeight() - 98, 305, 63))
        << Describe(WindowRect(window));
    EXPECT_TRUE(Kids()[HostEdit].visible());
}

TEST_F(KestrelTest, ClosingEndsTheProcessWithExitCodeZero) {
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(process->WaitForExit(10s), 0u);
}

TEST_F(KestrelTest, ExitFromTheTrayMenuEndsTheProcessWithExitCodeZero) {
    HWND menu = OpenTrayMenu(500, 400);
    ASSERT_NE(menu, nullptr) << "no tray menu";
    // about, go on, config mail, sign-in, config kestrel, exit.
    for (int i = 0; i < 6; ++i)
        Press(menu, VK_DOWN);
    Press(menu, VK_RETURN);
    EXPECT_EQ(process->WaitForExit(10s), 0u);
}

TEST_F(KestrelTest, GraphAreaHidesTheWindowAndTheTrayIconShowsItAgain) {
    ClickOk();
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(4, STN_CLICKED),
                 reinterpret_cast<LPARAM>(Kids()[3].handle));
    EXPECT_TRUE(Eventually([&] { return !IsWindowVisible(window); }));
    PostMessageA(window, ThroughputCallback, 1, WM_LBUTTONUP);
    EXPECT_TRUE(Eventually([&] { return IsWindowVisible(window) != FALSE; }));
}

TEST_F(KestrelTest, MailIconOpensAndClosesTheMailListAndABalloonOpensIt) {
    ClickOk();
    PostMessageA(window, MailCallback, 2, WM_RBUTTONUP);
    EXPECT_TRUE(HasRect(ScreenWidth() - 305, ScreenHeight() - 98, 305, 63));
    EXPECT_TRUE(Kids()[MailListBox].visible());
    EXPECT_FALSE(Kids()[PasswordLabel].visible());
    PostMessageA(window, MailCallback, 2, WM_LBUTTONUP);
    EXPECT_TRUE(HasRect(ScreenWidth() - 100, ScreenHeight() - 98, 100, 63));
    EXPECT_FALSE(Kids()[MailListBox].visible());
    // A click on a notice's balloon, which rides on the graph icon, opens it as well.
    PostMessageA(window, ThroughputCallback, 1, NIN_BALLOONUSERCLICK);
    EXPECT_TRUE(HasRect(ScreenWidth() - 305, ScreenHeight() - 98, 305, 63));
}

} // namespace
} // namespace kestrel::probe
