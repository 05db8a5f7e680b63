#include "monitor/rates.h"

#include "monitor/speed_table.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

namespace kestrel {

Divisors DivisorsFor(int32_t speedStep) {
    if (speedStep < 1 || speedStep > static_cast<int32_t>(SpeedTable.size()))
        return {};
    const uint32_t factor = SpeedTable[static_cast<size_t>(speedStep - 1)].factor;
    return {factor * 128000u / 48u, factor * 12000u / 48u};
}

uint32_t AutomaticDivisor(int64_t largestGrowth, uint32_t finest) {
    constexpr int64_t Filled = GraphTop * 3 / 4;
    uint64_t divisor = finest;
    while (largestGrowth > static_cast<int64_t>(divisor) * Filled && divisor < (1ull << 31))
        divisor *= 2;
    return static_cast<uint32_t>(divisor);
}

int32_t CounterGrowth(uint32_t previous, uint32_t current) {
    const auto growth = static_cast<int32_t>(current - previous);
    return std::max(growth, 0);
}

std::string FormatUnsigned16(uint16_t value) {
    std::string text;
    do {
        text.insert(text.begin(), static_cast<char>('0' + value % 10));
        value /= 10;
    } while (value != 0);
    return text;
}

int64_t OctetGrowth(uint64_t previous, uint64_t current, bool wide) {
    if (!wide)
        return CounterGrowth(static_cast<uint32_t>(previous), static_cast<uint32_t>(current));
    if (current < previous)
        return 0;
    return static_cast<int64_t>(std::min<uint64_t>(current - previous, INT64_MAX));
}

int64_t GrowthPerTick(int64_t growth, int64_t intervalMs) {
    constexpr int64_t Tick = 2000, Slack = 250, Gap = 10000;
    if (intervalMs >= Tick - Slack && intervalMs <= Tick + Slack)
        return growth;
    if (intervalMs > Gap || intervalMs <= 0)
        return 0;
    return (growth * Tick + intervalMs / 2) / intervalMs;
}

uint16_t RateNumber(int32_t growth) {
    return static_cast<uint16_t>(growth / 2048);
}

std::string RateText(int64_t growth) {
    int64_t value = std::max<int64_t>(growth, 0) / 2048; // KiB/s over the two seconds
    if (value <= 0xFFFF)
        return FormatUnsigned16(static_cast<uint16_t>(value));
    for (const char unit : {'M', 'G', 'T'}) {
        value /= 1024;
        if (value <= 0xFFFF || unit == 'T')
            return std::to_string(value) + unit;
    }
    return {};
}

uint16_t ScaledValue(int64_t growth, uint32_t divisor) {
    if (divisor == 0 || growth <= 0)
        return 0;
    // nearbyint rounds in the default mode: to nearest, halves to even.
    const double units = std::nearbyint(static_cast<double>(growth) / divisor);
    return static_cast<uint16_t>(std::min(units, static_cast<double>(GraphTop)));
}

} // namespace kestrel
