// Sampling, the tick, the window drawing and the tray picture, through the whole shell.
#include "monitor/rates.h"
#include "monitor/speed_table.h"
#include "monitor/tray_icon.h"
#include "support/pop3_mailbox.h"
#include "support/shell_fixture.h"

namespace kestrel::testing {
namespace {

using enum ControlName;

constexpr uint32_t Green = 0x00FF00, Red = 0xFF0000;

// The tooltip's first line, the rates; today's and this month's totals follow.
std::string Tooltip(const TrayIconRecord& record) {
    const std::string tip = record.tooltip.data();
    return tip.substr(0, tip.find('\n'));
}

class MonitorTest : public ShellTest {
  protected:
    // A start with interface 2 and speed step 1 configured in the settings file.
    void StartConfigured(int32_t interfaceNumber = 2, int32_t speedStep = 1) {
        interfaces.rows = {{"lo", 0, 0}, {"eth0", 0, 0}};
        settings.content =
            "500,400," + std::to_string(interfaceNumber) + "," + std::to_string(speedStep) + ",";
        Start();
    }
    void Traffic(uint32_t inGrowth, uint32_t outGrowth, size_t row = 1) {
        interfaces.rows[row].inOctets += inGrowth;
        interfaces.rows[row].outOctets += outGrowth;
    }
    const Monitor& monitor() { return app->Throughput(); }
    // The rate texts the last drawn strip showed.
    std::string InRateText() const { return LastTextAt({1, 2}); }
    std::string OutRateText() const { return LastTextAt({40, 2}); }
    std::string LastTextAt(Point at) const {
        for (auto text = desk.texts.rbegin(); text != desk.texts.rend(); ++text) {
            if (text->at == at)
                return text->text;
        }
        return "(nothing drawn)";
    }
    // Ticks until every history entry the graph draws holds the values of this growth.
    void TicksOf(uint32_t inGrowth, uint32_t outGrowth) {
        for (int i = 1; i <= ThroughputHistory::Newest; ++i) {
            Traffic(inGrowth, outGrowth);
            app->OnTimer();
        }
    }
};

TEST_F(MonitorTest, InterfaceListHoldsEveryDescriptionInTableOrder) {
    interfaces.rows = {{"lo", 0, 0}, {"eth0", 0, 0}, {std::string(256, 'x'), 0, 0}};
    Start();
    EXPECT_TRUE(interfaces.loaded);
    EXPECT_EQ(desk.control(InterfaceList).items,
              (std::vector<std::string>{"lo", "eth0", std::string(256, 'x'), "all hardware"}));
}

TEST_F(MonitorTest, MoreThanTenInterfacesStillFillTheList) {
    for (int i = 0; i < 14; ++i)
        interfaces.rows.push_back({"if" + std::to_string(i), 0, 0});
    Start();
    app->OnTimer();
    EXPECT_EQ(desk.control(InterfaceList).items.size(), 14u + 1) << "and the sum of all";
    EXPECT_EQ(interfaces.reads, (std::vector{ReadingFor::InterfaceList, ReadingFor::Sample}))
        << "the list is read as such, so that Win32 makes room for every row; a tick samples";
}

TEST_F(MonitorTest, AFailedTableAtCreationLeavesTheListEmpty) {
    interfaces.rows = {{"lo", 0, 0}};
    interfaces.failures = 1;
    Start();
    EXPECT_TRUE(desk.control(InterfaceList).items.empty());
}

TEST_F(MonitorTest, AConfiguredStartPrimesAgainstZeroAndStartsTheTimer) {
    interfaces.rows = {{"lo", 0, 0}, {"eth0", 1048576, 4096}};
    settings.content = "500,400,2,1,";
    Start();
    EXPECT_EQ(desk.rect, (Rect{500, 400, 100, 63}));
    EXPECT_EQ(app->Panel(), PanelState::Compact);
    ASSERT_TRUE(desk.timer.has_value());
    EXPECT_EQ(Tooltip(desk.trayIcons.at(1)), "i: 512   o: 2") << "the priming measurement";
    EXPECT_TRUE(desk.texts.empty()) << "priming draws nothing";
}

TEST_F(MonitorTest, ATickDrawsInItsOrder) {
    StartConfigured();
    Traffic(3 * 2048, 2048);
    desk.log.clear();
    app->OnTimer();
    EXPECT_EQ(desk.log, (std::vector<std::string>{"fill 0,15 100x48", "fill 0,0 100x14",
                                                  "text i: 3", "text o: 1", "text @", "pen red",
                                                  "pen green", "tray modify 1"}));
    EXPECT_EQ(desk.openSurfaces, 0) << "every surface is released";
}

TEST_F(MonitorTest, TextsTooltipAndMarkColours) {
    StartConfigured();
    Traffic(65535u * 2048, 1048576);
    app->OnTimer();
    ASSERT_EQ(desk.texts.size(), 3u);
    EXPECT_EQ(desk.texts[0].at, (Point{1, 2}));
    EXPECT_EQ(desk.texts[0].text, "i: 65535");
    EXPECT_EQ(desk.texts[0].colour, (Colour{0, 255, 0}));
    EXPECT_EQ(desk.texts[1].at, (Point{40, 2}));
    EXPECT_EQ(desk.texts[1].text, "o: 512");
    EXPECT_EQ(desk.texts[1].colour, (Colour{255, 0, 0}));
    EXPECT_EQ(desk.texts[2].at, (Point{88, 1}));
    EXPECT_EQ(desk.texts[2].colour, (Colour{0, 90, 0}));
    for (const auto& text : desk.texts)
        EXPECT_EQ(text.background, (Colour{0, 0, 0}));
    EXPECT_EQ(Tooltip(desk.trayIcons.at(1)), "i: 65535   o: 512");

    Pop3Mailbox box({Pop3Mailbox::Message{"Subject: waiting"}});
    app->Mail().StoreAccount(1, {"127.0.0.1:" + std::to_string(box.port()), "u", "p", true});
    Check(); // mail waits now
    desk.texts.clear();
    app->OnTimer();
    EXPECT_EQ(desk.texts[2].colour, (Colour{60, 255, 60}));
    EXPECT_EQ(desk.texts[0].text, "i: 0");
}

// 64-bit counters: 3 GB in one tick is shown as it is, not wrapped nor read as going back;
// then a reset of the adapter counts as no traffic for one tick, and the next as usual.
TEST_F(MonitorTest, WideCountersShowTrueRatesAndAResetIsNoSpike) {
    StartConfigured();
    interfaces.rows[1].wide = true;
    app->OnTimer();
    Traffic(3000000000u, 65536u * 2048);
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 1430M");
    EXPECT_EQ(OutRateText(), "o: 64M");
    EXPECT_EQ(Tooltip(desk.trayIcons.at(1)), "i: 1430M   o: 64M");
    EXPECT_EQ(monitor().History().in[ThroughputHistory::Newest - 1], GraphTop);

    interfaces.rows[1].inOctets = 100; // the adapter was reset
    interfaces.rows[1].outOctets = 0;
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 0");
    Traffic(2048 * 10, 0);
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 10");
}

// A tick late or early shows the growth as two seconds' worth; one after a resume shows none,
// and the next, on time again, is as exact as ever.
TEST_F(MonitorTest, LateEarlyAndResumedTicksShowTrueRates) {
    StartConfigured();
    const struct {
        int64_t intervalMs;
        uint32_t growth;
        const char* text;
    } rows[] = {
        {2000, 2048 * 100, "i: 100"}, {2200, 2048 * 100, "i: 100"}, {8000, 2048 * 400, "i: 100"},
        {4000, 2048 * 100, "i: 50"},  {1000, 2048 * 100, "i: 200"}, {60000, 2048 * 9999, "i: 0"},
        {2000, 2048 * 7, "i: 7"},
    };
    for (const auto& row : rows) {
        desk.clockStepMs = row.intervalMs;
        Traffic(row.growth, 0);
        app->OnTimer();
        EXPECT_EQ(InRateText(), row.text) << row.intervalMs << " ms";
    }
}

// The automatic step: each direction's peak in sight fills at most three quarters of the graph,
// the whole graph is redrawn to the new scale when a peak comes, and to the finer one once it
// has left the graph.
TEST_F(MonitorTest, TheAutomaticStepFollowsThePeakInSight) {
    StartConfigured(2, AutomaticStep);
    const uint32_t finest = DivisorsFor(1).in;
    TicksOf(finest * 10, 0);
    EXPECT_EQ(monitor().Scale().in, finest) << "never finer than 1 Mb/s";
    EXPECT_EQ(monitor().History().in[24], 10);

    Traffic(finest * 144, 0); // four times three quarters
    app->OnTimer();
    EXPECT_EQ(monitor().Scale().in, finest * 4);
    EXPECT_EQ(monitor().History().in[24], 36) << "the peak";
    EXPECT_EQ(monitor().History().in[23], 2) << "the values before it, redrawn to its scale";
    // The tray's picture was made before the history moved on by one entry.
    ThroughputHistory drawn = monitor().History();
    for (size_t i = ThroughputHistory::Newest; i > 1; --i)
        drawn.in[i] = monitor().History().in[i - 1];
    EXPECT_EQ(drawn.in[23], 2);
    EXPECT_EQ(desk.trayIcons.at(1).picture, TrayPicture(BuildTrayRaster(drawn)));

    TicksOf(finest * 10, 0); // the peak scrolls out of the graph
    EXPECT_EQ(monitor().Scale().in, finest);
    EXPECT_EQ(monitor().History().in[24], 10);
}

// The list's last row watches the sum of the hardware interfaces, each counter by its own
// rule: a 32-bit one that wraps, a 64-bit one, and one that appears counts from its first sample.
// Loopback and a bridge carry bytes some hardware interface carries too: they are left out.
TEST_F(MonitorTest, TheLastRowWatchesTheSumOfTheHardwareInterfaces) {
    interfaces.rows = {{"lo", 0, 0, true, true},
                       {"eth0", 0xFFFFF000u, 0, false, false, true},
                       {"wlan0", 5000000000u, 0, true, false, true},
                       {"br0", 0, 0, true, false, false}};
    settings.content = "500,400,1,1,";
    Start();
    Menu(CmdConfigKestrel);
    ASSERT_EQ(desk.control(InterfaceList).items.back(), "all hardware");
    desk.control(InterfaceList).selection = 4;
    Select(InterfaceListId);
    EXPECT_EQ(monitor().InterfaceNumber(), Monitor::AllInterfaces);
    app->OnTimer();                             // the first sample of each
    interfaces.rows[0].inOctets += 2048 * 1000; // loopback: not counted
    interfaces.rows[1].inOctets += 2048 * 8;    // wraps past 2^32
    interfaces.rows[2].inOctets += 2048 * 30;
    interfaces.rows[3].inOctets += 2048 * 30; // the bridge: not counted again
    interfaces.rows.push_back({"usb0", 2048 * 500, 0, true, false, true});
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 38");
    // A failed reading is no sample: the counters wait for the next one, where a table without
    // rows would have made every interface start again.
    interfaces.failures = 1;
    app->OnTimer();
    interfaces.rows[4].inOctets += 2048 * 4;
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 4");

    app->OnClose(); // kept as -1, and shown as the last row again
    EXPECT_TRUE(settings.content->starts_with("500,400,-1,1,")) << *settings.content;
    Start();
    Menu(CmdConfigKestrel);
    EXPECT_EQ(desk.control(InterfaceList).selection, 5);
}

TEST_F(MonitorTest, ShowingTheWindowDrawsTheMarkOfWaitingMail) {
    Pop3Mailbox box({Pop3Mailbox::Message{"Subject: waiting"}});
    StartConfigured();
    app->Mail().StoreAccount(1, {"127.0.0.1:" + std::to_string(box.port()), "u", "p", true});
    Check();
    Click(GraphAreaId); // hide
    desk.texts.clear();
    Tray(1034, TrayMouse::LeftButtonUp);
    ASSERT_EQ(desk.texts.size(), 3u);
    EXPECT_EQ(desk.texts[2].colour, (Colour{60, 255, 60}));
}

TEST_F(MonitorTest, HistoryTakesTheNewValueAndShiftsAfterDrawing) {
    StartConfigured();
    Traffic(10 * 5333, 7 * 500);
    app->OnTimer();
    EXPECT_EQ(monitor().History().in[24], 10);
    EXPECT_EQ(monitor().History().in[25], 10) << "entry 25 keeps its value";
    EXPECT_EQ(monitor().History().out[24], 7);
    app->OnTimer();
    EXPECT_EQ(monitor().History().in[23], 10);
    EXPECT_EQ(monitor().History().in[24], 0);
    EXPECT_EQ(monitor().History().in[0], 0) << "entry 0 is never touched";
}

TEST_F(MonitorTest, AFailedReadingShowsNoTrafficAndAddsAZeroPoint) {
    StartConfigured();
    Traffic(100000, 100000);
    interfaces.failures = 1;
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 0");
    EXPECT_EQ(OutRateText(), "o: 0");
    EXPECT_EQ(monitor().History().in[24], 0);
    app->OnTimer(); // the next reading measures the growth of both ticks
    EXPECT_EQ(InRateText(), "i: 48");
}

TEST_F(MonitorTest, AnInterfaceNumberBeyondTheTableReadsAsNoTraffic) {
    for (int32_t number : {3, 99, 0, -4}) {
        desk.texts.clear(); // a strip left from the pass before must not answer for this one
        StartConfigured(number);
        Traffic(1 << 20, 1 << 20);
        app->OnTimer();
        EXPECT_EQ(InRateText(), "i: 0") << number;
        EXPECT_EQ(monitor().History().in[24], 0) << number;
    }
}

TEST_F(MonitorTest, SwitchingToAnInterfaceWithSmallerCountersShowsNoSpike) {
    StartConfigured();
    interfaces.rows[0] = {"lo", 10, 10};
    interfaces.rows[1] = {"eth0", 900000, 900000};
    app->OnTimer();
    desk.control(InterfaceList).selection = 0;
    Select(InterfaceListId);
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 0");
    EXPECT_EQ(OutRateText(), "o: 0");
    EXPECT_EQ(monitor().History().out[24], 0);

    // Nor with larger ones: the first sample of a newly chosen row only primes.
    desk.control(InterfaceList).selection = 1;
    Select(InterfaceListId);
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 0");
    Traffic(2048 * 3, 0);
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 3");
}

TEST_F(MonitorTest, WithoutASpeedStepTheGraphRestsButTheTextsMove) {
    StartConfigured(2, 0);
    Traffic(1 << 20, 1 << 20);
    app->OnTimer();
    EXPECT_EQ(InRateText(), "i: 512");
    EXPECT_EQ(monitor().History().in[24], 0);
    desk.control(SpeedList).selection = 0;
    Select(SpeedListId);
    EXPECT_EQ(monitor().Scale().in, 5333u) << "a chosen speed takes effect at once";
}

TEST_F(MonitorTest, GraphLinesEndOnePixelShortAndRowFourteenStaysUnpainted) {
    StartConfigured();
    TicksOf(10 * 5333, 20 * 500); // the last one draws strip and graph
    for (int x = 4; x < 100; ++x) {
        EXPECT_EQ(desk.Pixel(x, 63 - 10), Green) << x;
        EXPECT_EQ(desk.Pixel(x, 63 - 20), Red) << x;
    }
    EXPECT_EQ(desk.Pixel(100, 53), FakeDesktop::Untouched) << "the end pixel is not drawn";
    for (int x = 0; x < 100; ++x) {
        EXPECT_EQ(desk.Pixel(x, 14), FakeDesktop::Untouched) << x;
        EXPECT_EQ(desk.Pixel(x, 13), 0u) << x;
        if (x >= 4) { // left of that the lines climb from their start at (1, 63)
            EXPECT_EQ(desk.Pixel(x, 62), 0u) << x;
        }
    }
    EXPECT_EQ(desk.Pixel(100, 0), FakeDesktop::Untouched) << "only columns 0..99";
}

TEST_F(MonitorTest, ATopValueReachesTheGraphsFirstRowAndIncomingDrawsOverOutgoing) {
    StartConfigured();
    TicksOf(48 * 5333, 48 * 500);
    EXPECT_EQ(desk.Pixel(50, 15), Green);
    EXPECT_EQ(desk.Pixel(50, 14), FakeDesktop::Untouched);
}

TEST_F(MonitorTest, TheTrayGetsTheTicksPictureAndTheSameOneAgainOnCallbacks) {
    StartConfigured();
    Traffic(48 * 5333, 0);
    app->OnTimer();
    const auto* raster = std::get_if<IconRaster>(&desk.trayIcons.at(1).picture);
    ASSERT_NE(raster, nullptr);
    // The picture was drawn before the shift: column 15 holds the new top value.
    EXPECT_EQ(raster->colour[15], 0xFD);
    const IconRaster drawn = *raster;
    Tray(1034, TrayMouse::Other);
    EXPECT_EQ(std::get<IconRaster>(desk.trayIcons.at(1).picture), drawn);
}

TEST_F(MonitorTest, ShowingTheWindowDrawsPointTwentyFiveAtTheHeightOfPointTwentyFour) {
    interfaces.rows = {{"lo", 0, 0}, {"eth0", 48 * 5333, 0}};
    settings.content = "500,400,2,1,";
    Start();
    ASSERT_EQ(monitor().History().in[25], 48) << "primed";
    Click(GraphAreaId); // hide
    Tray(1034, TrayMouse::LeftButtonUp);
    EXPECT_EQ(monitor().History().in[25], 0);
    for (int x = 96; x < 100; ++x)
        for (int y = 15; y < 63; ++y)
            EXPECT_NE(desk.Pixel(x, y), Green) << x << "," << y << ": no rise to the primed value";
}

} // namespace
} // namespace kestrel::testing
