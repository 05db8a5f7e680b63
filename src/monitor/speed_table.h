#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrel {

// Line-speed steps 1 to 6 (row k is step k + 1). The labels are padded to three characters so
// that a list sorted by text keeps the steps in order.
struct SpeedRow {
    std::string_view label;
    uint16_t factor;
};

inline constexpr std::array<SpeedRow, 6> SpeedTable{{
    {"  1", 2},
    {"  2", 4},
    {"  3", 6},
    {"  6", 12},
    {" 10", 20},
    {"100", 200},
}};

inline constexpr std::string_view SpeedUnit = " Mb/s";

} // namespace kestrel
