// The real kestrel.exe watching the loopback interface, and its settings across a restart.
#include <winsock2.h> // before <windows.h>

#include "e2e/kestrel_fixture.h"

#include <atomic>
#include <thread>

namespace kestrel::probe {
namespace {

using namespace std::chrono_literals;

// Pushes bytes through a loopback TCP connection for a while, about rate bytes a second.
class LoopbackTraffic {
  public:
    LoopbackTraffic(size_t rate, std::chrono::milliseconds length) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        worker_ = std::thread([=, this] { Run(rate, length); });
    }
    ~LoopbackTraffic() {
        worker_.join();
        WSACleanup();
    }
    size_t sent() const { return sent_; }

  private:
    void Run(size_t rate, std::chrono::milliseconds length) {
        SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int size = sizeof address;
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
        listen(listener, 1);
        SOCKET sender = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        connect(sender, reinterpret_cast<sockaddr*>(&address), sizeof address);
        SOCKET receiver = accept(listener, nullptr, nullptr);
        std::thread drain([receiver] {
            char buffer[65536];
            while (recv(receiver, buffer, sizeof buffer, 0) > 0) {
            }
        });
        const std::string chunk(rate / 20, 'x');
        const auto end = std::chrono::steady_clock::now() + length;
        while (std::chrono::steady_clock::now() < end) {
            sent_ +=
                static_cast<size_t>(send(sender, chunk.data(), static_cast<int>(chunk.size()), 0));
            Sleep(50);
        }
        shutdown(sender, SD_BOTH);
        closesocket(sender);
        drain.join();
        closesocket(receiver);
        closesocket(listener);
    }

    std::thread worker_;
    std::atomic<size_t> sent_ = 0;
};

class ThroughputTest : public KestrelTest {
  protected:
    int LoopbackIndex() {
        const std::vector<std::string> items = ListTexts(Kids()[InterfaceList].handle);
        for (size_t i = 0; i < items.size(); ++i) {
            if (items[i] == "lo" || items[i].find("oopback") != std::string::npos)
                return static_cast<int>(i);
        }
        ADD_FAILURE() << "no loopback interface among " << items.size();
        return 0;
    }
};

TEST_F(ThroughputTest, InterfaceListHoldsTheSystemsInterfaces) {
    const std::vector<std::string> items = ListTexts(Kids()[InterfaceList].handle);
    EXPECT_GE(items.size(), 1u);
    LoopbackIndex();
}

TEST_F(ThroughputTest, LoopbackTrafficMovesTheRatesAndBothGraphLines) {
    Choose(InterfaceList, LoopbackIndex());
    Choose(SpeedList, 0); // 1 Mb/s: 256 KB a tick fills the incoming scale
    ClickOk();
    ASSERT_TRUE(HasRect(ScreenWidth() - 100, ScreenHeight() - 98, 100, 63));
    { LoopbackTraffic traffic(100000, 7s); }
    const RECT graph{0, 15, 100, 63};
    EXPECT_GT(CountPixels(graph, RGB(0, 255, 0)), 3) << "the incoming line rose";
    // Loopback counts every byte both ways; the incoming line is drawn over the outgoing one.
    EXPECT_GT(CountPixels(graph, RGB(255, 0, 0)), 3) << "the outgoing line rose";
    EXPECT_GT(CountPixels({1, 2, 39, 13}, RGB(0, 255, 0)), 10) << "the incoming rate text";
    EXPECT_GT(CountPixels({40, 2, 86, 13}, RGB(255, 0, 0)), 10) << "the outgoing rate text";
    EXPECT_GT(CountPixels({88, 1, 100, 13}, RGB(0, 90, 0)), 3) << "the @ mark, no mail";
    EXPECT_EQ(CountPixels({0, 14, 100, 15}, RGB(0, 0, 0)), 0) << "row 14 is not painted";
    Sleep(2500); // the traffic has stopped: the next tick shows no rate
    EXPECT_TRUE(Answers(window));
}

// At the 1 Gb/s step, about 50 MB a second through loopback puts the incoming line in the
// middle of the graph (about 19 of 48 units): neither pinned to the top nor flat.
TEST_F(ThroughputTest, AtOneGigabitFiftyMegabytesASecondAreNeitherPinnedNorFlat) {
    Choose(InterfaceList, LoopbackIndex());
    Choose(SpeedList, 6); // "1000"
    ClickOk();
    ASSERT_TRUE(HasRect(ScreenWidth() - 100, ScreenHeight() - 98, 100, 63));
    LoopbackTraffic traffic(50000000, 7s);
    const RECT pinned{0, 15, 100, 20}, middle{0, 20, 100, 60};
    EXPECT_TRUE(Eventually([&] { return CountPixels(middle, RGB(0, 255, 0)) > 3; }, 7s))
        << "the incoming line rose";
    EXPECT_EQ(CountPixels(pinned, RGB(0, 255, 0)), 0) << "and stays below the top";
}

// The last lines, "all hardware" and "auto", chosen, are in sight when the configuration opens
// again: the lists end within the window and are scrolled to them.
TEST_F(ThroughputTest, TheChosenLinesAreInSightWhenTheConfigurationOpens) {
    const int lists[] = {InterfaceList, SpeedList};
    for (int list : lists)
        Choose(list, static_cast<int>(SendMessageA(Kids()[list].handle, LB_GETCOUNT, 0, 0)) - 1);
    ClickOk();
    ChooseMenuCommand(101);
    for (int list : lists) {
        const ChildWindow box = Kids()[static_cast<size_t>(list)];
        RECT inside{};
        GetClientRect(box.handle, &inside);
        const auto line = SendMessageA(box.handle, LB_GETCURSEL, 0, 0);
        const auto below = line - SendMessageA(box.handle, LB_GETTOPINDEX, 0, 0);
        EXPECT_EQ(line, SendMessageA(box.handle, LB_GETCOUNT, 0, 0) - 1) << list;
        EXPECT_TRUE(below >= 0 && (below + 1) * SendMessageA(box.handle, LB_GETITEMHEIGHT, 0, 0) <=
                                      inside.bottom) << list;
        EXPECT_LE(box.rect.bottom, 63 * Scale()) << list;
    }
}

// At the screen's density the window and the tray picture are their pixels enlarged, each a
// block of Scale() x Scale(), nothing smoothed; the tray's slot holds a picture of 16 x Scale().
TEST_F(ThroughputTest, TheWindowAndTheTrayPictureAreWholeBlocksAtTheScreensDensity) {
    const int s = Scale();
    Choose(InterfaceList, LoopbackIndex());
    Choose(SpeedList, 0);
    ClickOk();
    Sleep(2500); // a tick: the graph at rest is a line along the picture's bottom
    // Wine's own tray, where no tray host runs: the icon's slot in it
    HWND slot = FindWindowExA(FindWindowA("__winex11_standalone_tray", nullptr), nullptr,
                              "__winex11_tray_icon", nullptr);
    ASSERT_NE(slot, nullptr);
    const RECT w = WindowRect(window), t = WindowRect(slot);
    const int border = (t.right - t.left - 16 * s) / 2;
    EXPECT_EQ(border, 2) << Describe(t);
    const std::pair<const char*, RECT> areas[] = {
        {"the window", {w.left, w.top, w.left + 100 * s, w.top + 63 * s}},
        {"the tray picture",
         {t.left + border, t.top + border, t.right - border, t.bottom - border}}};
    for (const auto& [what, area] : areas) {
        const std::vector<uint32_t> pixels = ScreenPixels(area);
        const int width = area.right - area.left;
        int apart = 0, lit = 0;
        for (int i = 0; i < static_cast<int>(pixels.size()); ++i) {
            const int x = i % width, y = i / width;
            apart += pixels[i] != pixels[(y - y % s) * width + x - x % s];
            lit += pixels[i] != 0;
        }
        EXPECT_EQ(apart, 0) << what << ": pixels unlike their block's first";
        EXPECT_GE(lit, 16 * s * s) << what << ": at least the line at rest, 16 blocks";
    }
}

TEST_F(ThroughputTest, SettingsAreWrittenAtExitAndComeBackAtTheNextStart) {
    Choose(InterfaceList, 0);
    Choose(SpeedList, 2);
    ClickOk();
    ChooseMenuCommand(106);
    std::vector<ChildWindow> kids = Kids();
    SendMessageA(kids[HostEdit].handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("127.0.0.1"));
    SendMessageW(kids[HostEdit + 1].handle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"j\u00F6rg"));
    SendMessageA(kids[ActiveCheck].handle, BM_CLICK, 0, 0);
    ClickOk();
    SetWindowPos(window, nullptr, 200, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(HasRect(200, 300, 100, 63));

    ASSERT_NO_FATAL_FAILURE(Restart());
    const std::string empty = Scramble("\x01") + "\r\r\r\r";
    const std::string ini = ReadFile(process->directory() + "\\kestrel.ini");
    const std::string asBefore = "200,300,1,3," + Scramble("\x02") + "\r" + Scramble("127.0.0.1") +
                                 "\r" + Scramble("j\xF6rg") + "\r\r" + empty + empty;
    ASSERT_TRUE(ini.starts_with(asBefore)) << ini;
    EXPECT_TRUE(Scramble(ini.substr(asBefore.size())).starts_with("{")) << "then the GUID";

    EXPECT_TRUE(HasRect(200, 300, 100, 63)) << Describe(WindowRect(window));
    EXPECT_TRUE(Eventually(
        [&] {
            return CountPixels({20, 5, 30, 10}, RGB(0, 0, 0)) > 0;
        },
        4s))
        << "the timer runs at once: the first tick draws the strip";
    ChooseMenuCommand(101);
    kids = Kids();
    EXPECT_EQ(SendMessageA(kids[SpeedList].handle, LB_GETCURSEL, 0, 0), 2);
    EXPECT_EQ(SendMessageA(kids[InterfaceList].handle, LB_GETCURSEL, 0, 0), 0);
    ClickOk();
    ChooseMenuCommand(106);
    kids = Kids();
    EXPECT_EQ(WindowText(kids[HostEdit].handle), "127.0.0.1");
    EXPECT_EQ(WindowText(kids[HostEdit + 1].handle), "jörg");
    EXPECT_EQ(SendMessageA(kids[ActiveCheck].handle, BM_GETCHECK, 0, 0), BST_CHECKED);
}

// Typed keys arrive as UTF-16 units, a character beyond 16 bits as two; the file keeps them all.
TEST_F(ThroughputTest, AccountFieldsTakeEveryCharacterAndKeepIt) {
    ClickOk();
    ChooseMenuCommand(106);
    HWND user = Kids()[HostEdit + 1].handle;
    for (wchar_t c : {L'a', L'\u00FF', L'\u00F2', L'\u0418', L'\xD83D', L'\xDD11'})
        PostMessageW(user, WM_CHAR, c, 1);
    const std::string typed = "aÿòИ🔑";
    // Posted messages wait behind sent ones: poll rather than ask once.
    EXPECT_TRUE(Eventually([&] { return WindowText(user) == typed; })) << WindowText(user);
    ClickOk();

    ASSERT_NO_FATAL_FAILURE(Restart());
    ChooseMenuCommand(106);
    EXPECT_EQ(WindowText(Kids()[HostEdit + 1].handle), typed);
}

} // namespace
} // namespace kestrel::probe
