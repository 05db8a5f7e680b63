#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>

namespace kestrel {

using Clock = std::chrono::steady_clock;

// The whole milliseconds left before the deadline; 0 once it has passed.
inline int MsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<int64_t>(left, 0, INT32_MAX));
}

} // namespace kestrel
