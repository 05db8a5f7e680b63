// Today's and this month's bytes of the watched interface: counted by the tick, shown in the
// tooltip, kept beside kestrel.ini across restarts, counter resets and the calendar's turns.
#include "monitor/totals.h"
#include "support/shell_fixture.h"

namespace kestrel::testing {
namespace {

TEST(TotalTextTest, FourOrFiveCharactersWithTheUnit) {
    const std::pair<uint64_t, const char*> cases[] = {
        {0, "0B"},
        {1023, "1023B"},
        {1024, "1.0K"},
        {1536, "1.5K"},
        {10 * 1024 - 1, "9.9K"},
        {10 * 1024, "10K"},
        {1ull << 30, "1.0G"},
        {(1ull << 40) * 1023, "1023T"},
        {~0ull, "15E"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(TotalText(bytes), text) << bytes;
}

TEST(TotalsCodecTest, LinesThatDoNotReadAsWrittenAreLeftOut) {
    const std::string kept = "eth0\t2026-12-9\t1\t2\t3\t4\n";
    const Totals totals =
        Totals::Decode(kept + "wlan0\t2026-12\t1\t2\t3\t4\n" + "usb0\t2026-12-9\t1\t2\t3\n" +
                       "tun0\t2026-12-9\t1\t-2\t3\t4\n");
    EXPECT_EQ(totals.Encode(), kept);
}

class TotalsTest : public ShellTest {
  protected:
    void StartWatching() {
        interfaces.rows = {{"lo", 0, 0}, {"eth0", 5 << 20, 5 << 20}};
        settings.content = "500,400,2,1,";
        Start();
    }
    // Ticks each adding these bytes to eth0.
    void Ticks(int count, uint32_t in, uint32_t out) {
        for (int i = 0; i < count; ++i) {
            interfaces.rows[1].inOctets += in;
            interfaces.rows[1].outOctets += out;
            app->OnTimer();
        }
    }
    std::string Totals() const {
        const std::string tip = desk.trayIcons.at(1).tooltip.data();
        return tip.substr(std::min(tip.find('\n') + 1, tip.size()));
    }
};

// The priming sample's counters since boot are no traffic of this run.
TEST_F(TotalsTest, TheDayAndTheMonthTurnOverWithTheCalendar) {
    desk.today = {2026, 11, 30};
    StartWatching();
    EXPECT_EQ(Totals(), "today 0B/0B\nmonth 0B/0B");
    Ticks(2, 1024 * 1024, 512);
    EXPECT_EQ(Totals(), "today 2.0M/1.0K\nmonth 2.0M/1.0K");
    desk.today = {2026, 12, 1};
    Ticks(1, 1024, 0);
    EXPECT_EQ(Totals(), "today 1.0K/0B\nmonth 1.0K/0B") << "a new month starts both";
    desk.today = {2026, 12, 2};
    Ticks(1, 2048, 0);
    EXPECT_EQ(Totals(), "today 2.0K/0B\nmonth 3.0K/0B") << "a new day starts today's";
    desk.today = {2027, 12, 2};
    Ticks(1, 0, 0);
    EXPECT_EQ(Totals(), "today 0B/0B\nmonth 0B/0B") << "the same day a year on is another";
}

TEST_F(TotalsTest, KeptAcrossRestartsAndCounterResetsWrittenAtMostOnceAMinute) {
    StartWatching();
    Ticks(29, 1024, 0); // 58 s
    EXPECT_EQ(totals.writes, 0);
    Ticks(1, 1024, 0);
    EXPECT_EQ(totals.writes, 1);
    Ticks(29, 1024, 0);
    EXPECT_EQ(totals.writes, 1);
    app->OnClose();
    EXPECT_EQ(totals.writes, 2);
    EXPECT_EQ(*totals.content, "eth0\t2026-12-9\t60416\t0\t60416\t0\n");

    StartWatching();
    Ticks(1, 1024, 0);
    EXPECT_EQ(Totals(), "today 60K/0B\nmonth 60K/0B");
    interfaces.rows[1].inOctets = 100; // the adapter was reset: its counters start again
    Ticks(1, 0, 0);
    EXPECT_EQ(Totals(), "today 60K/0B\nmonth 60K/0B") << "a counter gone back adds nothing";
    Ticks(1, 1024, 0);
    EXPECT_EQ(Totals(), "today 61K/0B\nmonth 61K/0B");

    // Another interface, and the sum, are kept apart.
    Menu(CmdConfigKestrel);
    desk.control(ControlName::InterfaceList).selection = 2;
    Select(InterfaceListId);
    interfaces.rows[1].hardware = true;
    Ticks(2, 4096, 0);
    EXPECT_EQ(Totals(), "today 4.0K/0B\nmonth 4.0K/0B");
    app->OnClose();
    EXPECT_EQ(*totals.content, "all hardware\t2026-12-9\t4096\t0\t4096\t0\n"
                               "eth0\t2026-12-9\t62464\t0\t62464\t0\n");
}

} // namespace
} // namespace kestrel::testing
