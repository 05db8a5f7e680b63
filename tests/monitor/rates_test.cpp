// The rate, text and scale rules.
#include "monitor/rates.h"

#include <gtest/gtest.h>

#include <limits>

namespace kestrel {
namespace {

TEST(RatesTest, DivisorsFollowTheSpeedTable) {
    const std::pair<int32_t, Divisors> rows[] = {{1, {5333, 500}},
                                                 {2, {10666, 1000}},
                                                 {3, {16000, 1500}},
                                                 {4, {32000, 3000}},
                                                 {5, {53333, 5000}},
                                                 {6, {533333, 50000}},
                                                 {7, {5333333, 500000}},
                                                 {8, {53333333, 5000000}},
                                                 {0, {0, 0}},
                                                 {9, {0, 0}},
                                                 {10, {0, 0}},
                                                 {-1, {0, 0}},
                                                 {std::numeric_limits<int32_t>::max(), {0, 0}}};
    for (const auto& [step, want] : rows) {
        const Divisors got = DivisorsFor(step);
        EXPECT_EQ(got.in, want.in) << step;
        EXPECT_EQ(got.out, want.out) << step;
    }
}

TEST(RatesTest, FormatUnsigned16) {
    const std::pair<uint16_t, const char*> rows[] = {
        {0, "0"}, {7, "7"}, {10, "10"}, {512, "512"}, {1000, "1000"}, {65535, "65535"}};
    for (const auto& [value, text] : rows)
        EXPECT_EQ(FormatUnsigned16(value), text);
}

struct GrowthCase {
    uint32_t previous;
    uint32_t current;
    uint16_t rate;
};

TEST(RatesTest, RateNumbersFromCounterGrowth) {
    const GrowthCase rows[] = {
        {0, 1048576, 512},      // 1 MiB in a tick
        {5000, 5000 + 2047, 0}, // under one KiB per second
        {0, 2048, 1},
        {0, 134217728, 0}, // 65536 KiB/s: the low 16 bits are 0
        {0, 134217728 + 4096, 2},
        {4294967000u, 1000, 0}, // wrapped: 1296 bytes of growth
        {4294967000u, 1000 + 2048 * 3, 3},
        {1000, 10, 0},       // went back: no traffic
        {0, 0x80000000u, 0}, // half the counter range reads as going back
    };
    for (const GrowthCase& row : rows)
        EXPECT_EQ(RateNumber(CounterGrowth(row.previous, row.current)), row.rate)
            << row.previous << " -> " << row.current;
    EXPECT_EQ(CounterGrowth(4294967000u, 1000), 1296);
}

// Where the platform counts in 64 bits, growth above 2^31 and 2^32 in one tick is growth; where
// it counts in 32, the wrap rule holds as it always did.
TEST(RatesTest, OctetGrowthOnWideAndNarrowCounters) {
    const struct {
        uint64_t previous, current;
        bool wide;
        int64_t growth;
    } rows[] = {
        {0, 3000000000u, true, 3000000000},            // above 2^31
        {1000, 1000 + 5000000000u, true, 5000000000},  // above 2^32
        {5000000000u, 4000, true, 0},                  // reset: no rate this time
        {4294967000u, 4294967296u + 1000, true, 1296}, // no wrap at 2^32 to undo
        {4294967000u, 1000, false, 1296},              // the wrap rule
        {0, 3000000000u, false, 0},                    // beyond 2^31 reads as going back
        {4294967296u + 7, 4294967296u + 9, false, 2},  // only the low 32 bits count
    };
    for (const auto& row : rows)
        EXPECT_EQ(OctetGrowth(row.previous, row.current, row.wide), row.growth)
            << row.previous << " -> " << row.current << (row.wide ? " wide" : "");
}

// The digits while they fit 16 bits, as always; then the next unit that fits.
TEST(RatesTest, RateTextsSwitchUnitWhereTheNumberNoLongerFits) {
    const std::pair<int64_t, const char*> rows[] = {
        {0, "0"},
        {-5, "0"},
        {2047, "0"},
        {65535 * 2048 + 2047, "65535"},
        {65536 * 2048, "64M"},
        {int64_t{117} * 2 * 1048576, "117M"},  // 117 MiB/s
        {int64_t{2500000000}, "1192M"},        // 10 Gb/s for two seconds
        {int64_t{65536} * 2 * 1048576, "64G"}, // beyond 65535M
    };
    for (const auto& [growth, text] : rows)
        EXPECT_EQ(RateText(growth), text) << growth;
}

// On time within 250 ms either way, exactly as always; otherwise as two seconds' worth; after a
// gap of over ten seconds, nothing.
TEST(RatesTest, GrowthOfLateEarlyAndResumedTicks) {
    const struct {
        int64_t growth, intervalMs, perTick;
    } rows[] = {
        {1000, 2000, 1000},
        {1000, 1750, 1000},
        {1000, 2250, 1000}, // on time
        {1000, 1749, 1144},
        {1000, 2251, 888}, // just outside
        {20000, 20000, 0},
        {1000, 10001, 0},     // a resume, a stopped process
        {10000, 10000, 2000}, // late, within the gap
        {1000, 500, 4000},
        {1000, 0, 0},
        {1000, -5, 0},                           // early; a clock gone wrong
        {int64_t{5000000000}, 4000, 2500000000}, // above 2^32 stays exact
    };
    for (const auto& row : rows)
        EXPECT_EQ(GrowthPerTick(row.growth, row.intervalMs), row.perTick)
            << row.growth << " in " << row.intervalMs << " ms";
}

// Doublings of the 1 Mb/s step's divisor until the largest growth fills at most 36 of 48 units.
TEST(RatesTest, TheAutomaticDivisorDoublesUntilThePeakFitsThreeQuarters) {
    const struct {
        int64_t largest;
        uint32_t divisor;
    } rows[] = {
        {0, 5333},                       // never finer than 1 Mb/s
        {5333 * 36, 5333},               // exactly three quarters
        {5333 * 36 + 1, 10666},          // a doubling
        {5333 * 72 + 1, 21332},          // two
        {int64_t{2500000000}, 87375872}, // 10 Gb/s for two seconds: 29 of 48 units
        {int64_t{1} << 62, 2796027904},  // as far as 32 bits go
    };
    for (const auto& row : rows)
        EXPECT_EQ(AutomaticDivisor(row.largest, 5333), row.divisor) << row.largest;
    EXPECT_LE(ScaledValue(2500000000, AutomaticDivisor(2500000000, 5333)), 36);
}

struct ScaleCase {
    int32_t growth;
    uint32_t divisor;
    uint16_t value;
};

TEST(RatesTest, ScaledValuesRoundHalfToEvenAndStopAt48) {
    const ScaleCase rows[] = {
        {2666, 5333, 0},  {2667, 5333, 1}, // 0.49991 and 0.50009
        {1250, 500, 2},   {1750, 500, 4},  // 2.5 and 3.5 go to the even neighbour
        {250, 500, 0},    {750, 500, 2},    {24000, 500, 48},
        {30000, 500, 48}, {24250, 500, 48}, {0, 500, 0},
        {1000, 0, 0},     {-500, 500, 0},   {std::numeric_limits<int32_t>::max(), 1, 48},
    };
    for (const ScaleCase& row : rows)
        EXPECT_EQ(ScaledValue(row.growth, row.divisor), row.value)
            << row.growth << " / " << row.divisor;
}

} // namespace
} // namespace kestrel
