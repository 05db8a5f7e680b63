// The rate, text and scale rules.
#include "monitor/rates.h"

#include <gtest/gtest.h>

#include <limits>

namespace kestrel {
namespace {

TEST(RatesTest, DivisorsFollowTheSpeedTable) {
    const std::pair<int32_t, Divisors> rows[] = {
        {1, {5333, 500}},   {2, {10666, 1000}},
        {3, {16000, 1500}}, {4, {32000, 3000}},
        {5, {53333, 5000}}, {6, {533333, 50000}},
        {0, {0, 0}},        {7, {0, 0}},
        {-1, {0, 0}},       {std::numeric_limits<int32_t>::max(), {0, 0}}};
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
