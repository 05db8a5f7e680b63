#include "monitor/rates.h"

#include "monitor/speed_table.h"

#include <algorithm>
#include <cmath>

namespace kestrel {

Divisors DivisorsFor(int32_t speedStep) {
    if (speedStep < 1 || speedStep > static_cast<int32_t>(SpeedTable.size()))
        return {};
    const uint32_t factor = SpeedTable[static_cast<size_t>(speedStep - 1)].factor;
    return {factor * 128000u / 48u, factor * 12000u / 48u};
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

uint16_t RateNumber(int32_t growth) {
    return static_cast<uint16_t>(growth / 2048);
}

uint16_t ScaledValue(int32_t growth, uint32_t divisor) {
    if (divisor == 0 || growth <= 0)
        return 0;
    // nearbyint rounds in the default mode: to nearest, halves to even.
    const double units = std::nearbyint(static_cast<double>(growth) / divisor);
    return static_cast<uint16_t>(std::min(units, static_cast<double>(GraphTop)));
}

} // namespace kestrel
