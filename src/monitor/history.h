#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kestrel {

// Two rows of scaled values, entries 0 to 25, entry 25 newest; entry 0 is never read.
struct ThroughputHistory {
    static constexpr int Newest = 25;
    std::array<uint16_t, 26> out{};
    std::array<uint16_t, 26> in{};

    // Entries 2..25 move to 1..24, the incoming row first; entry 25 keeps its value.
    void Shift() {
        for (auto* row : {&in, &out}) {
            for (int i = 1; i < Newest; ++i)
                (*row)[static_cast<std::size_t>(i)] = (*row)[static_cast<std::size_t>(i + 1)];
        }
    }
};

} // namespace kestrel
