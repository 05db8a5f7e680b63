#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrel {

// Line-speed steps 1 to 9 (row k is step k + 1), the factor twice the line speed in Mb/s. The
// labels are padded so that a list sorted by text keeps the steps in order: digits before
// letters, a blank before a digit. The gigabit rows are in Mb/s without the unit, which would
// not fit the list's width; the last row scales itself to the traffic.
struct SpeedRow {
    std::string_view label;
    uint32_t factor; // 0: automatic
    bool unit = true;
};

inline constexpr std::array<SpeedRow, 9> SpeedTable{{
    {"  1", 2},
    {"  2", 4},
    {"  3", 6},
    {"  6", 12},
    {" 10", 20},
    {"100", 200},
    {"1000", 2000, false},
    {"10000", 20000, false},
    {"auto", 0, false},
}};

inline constexpr int32_t AutomaticStep = 9;

inline constexpr std::string_view SpeedUnit = " Mb/s";

} // namespace kestrel
