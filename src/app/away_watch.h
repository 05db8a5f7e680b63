#pragma once

#include <cstdint>
#include <optional>

namespace kestrel {

// Tells from the timer's ticks that the machine slept or the process was stopped: the timer
// keeps to the monotonic clock, so a wall clock that moved on far more than one period between
// two ticks jumped against it. The fallback for the systems' own notices of a resume.
class AwayWatch {
  public:
    // Away for less than this is not worth a reconnect.
    static constexpr int64_t AwayMs = 10000;

    explicit AwayWatch(int64_t periodMs) : periodMs_(periodMs) {}
    // Each tick's wall clock; true when the time since the last tick was spent away. A clock
    // set by hand counts too: a reconnect too many costs a login.
    bool Tick(int64_t wallMs);

  private:
    int64_t periodMs_;
    std::optional<int64_t> lastMs_;
};

} // namespace kestrel
