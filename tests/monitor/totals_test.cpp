// Today's and this month's bytes of the watched interface: counted by the tick, shown in the
// tooltip, kept beside kestrel.ini across restarts, counter resets and the calendar's turns.
#include "monitor/totals.h"
#include "support/shell_fixture.h"

namespace kestrel::testing {
namespace {

class TotalsTest : public ShellTest {
  protected:
    // Ticks each adding this many incoming bytes; the tooltip's totals after them.
    std::string Ticks(int count, uint32_t in) {
        for (int i = 0; i < count; ++i) {
            interfaces.rows[1].inOctets += in;
            app->OnTimer();
        }
        const std::string tip = desk.trayIcons.at(1).tooltip.data();
        return tip.substr(tip.find('\n') + 1);
    }
    void StartWatching() {
        interfaces.rows = {{"lo", 0, 0}, {"eth0", 5 << 20, 0}}; // the priming sample adds none
        settings.content = "500,400,2,1,";
        Start();
    }
};

TEST_F(TotalsTest, TheDayAndTheMonthTurnOverWithTheCalendar) {
    const struct {
        CivilDate today;
        uint32_t in;
        const char* totals;
    } steps[] = {
        {{2026, 11, 30}, 1 << 20, "today 1.0M/0B\nmonth 1.0M/0B"},
        {{2026, 12, 1}, 1024, "today 1.0K/0B\nmonth 1.0K/0B"}, // a new month starts both
        {{2026, 12, 2}, 2048, "today 2.0K/0B\nmonth 3.0K/0B"}, // a new day today's
        {{2027, 12, 2}, 0, "today 0B/0B\nmonth 0B/0B"},        // the same day a year on
    };
    StartWatching();
    for (const auto& step : steps) {
        desk.today = step.today;
        EXPECT_EQ(Ticks(1, step.in), step.totals);
    }
}

TEST_F(TotalsTest, KeptAcrossRestartsAndCounterResetsWrittenAtMostOnceAMinute) {
    StartWatching();
    Ticks(29, 1024); // 58 s
    EXPECT_EQ(totals.writes, 0);
    Ticks(1, 1024);
    Ticks(29, 1024);
    EXPECT_EQ(totals.writes, 1);
    app->OnClose();
    EXPECT_EQ(*totals.content, "eth0\t2026-12-9\t60416\t0\t60416\t0\n");

    StartWatching();
    EXPECT_EQ(Ticks(1, 1024), "today 60K/0B\nmonth 60K/0B");
    interfaces.rows[1].inOctets = 100; // the adapter was reset: its counter starts again
    EXPECT_EQ(Ticks(1, 0), "today 60K/0B\nmonth 60K/0B");
    EXPECT_EQ(Ticks(1, 1024), "today 61K/0B\nmonth 61K/0B");
}

} // namespace
} // namespace kestrel::testing
