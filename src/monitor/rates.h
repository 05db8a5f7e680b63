#pragma once

#include <cstdint>
#include <string>

namespace kestrel {

inline constexpr uint16_t GraphTop = 48; // the highest scaled value

struct Divisors {
    uint32_t in = 0;
    uint32_t out = 0;
};

// Bytes of counter growth per graph unit for a speed step 1 to 8; 0 and 0 for any other step,
// the automatic one included.
Divisors DivisorsFor(int32_t speedStep);

// The automatic step's divisor for one direction: the finest of the 1 Mb/s step's divisor times
// a power of two under which the largest growth in sight stays within three quarters of the
// graph. The graph then changes scale only when a peak comes into sight or leaves it, and by
// whole doublings.
uint32_t AutomaticDivisor(int64_t largestGrowth, uint32_t finest);

// Growth of a 32-bit counter since the previous reading, wrap included. A counter that went
// back (another interface, a reset) counts as no traffic.
int32_t CounterGrowth(uint32_t previous, uint32_t current);

// The same for a counter of the platform's: 32 bits by the rule above, or 64 bits (wide), which
// never wrap, so that one that went back was reset and counts as no traffic this time.
int64_t OctetGrowth(uint64_t previous, uint64_t current, bool wide);

// Decimal digits of the value, without sign or leading zeros; "0" for 0.
std::string FormatUnsigned16(uint16_t value);

// The rate number shown for a growth: KiB per second at the two-second tick, in 16 bits.
uint16_t RateNumber(int32_t growth);

// The rate as the window and the tooltip show it: RateNumber's digits while they fit 16 bits,
// beyond that MiB per second with an "M" ("117M"), and GiB with a "G" beyond 65535M.
std::string RateText(int64_t growth);

// The growth of an interval of that many milliseconds as the two seconds of a tick on time:
// within 2 s +- 250 ms as it is, otherwise scaled to two seconds; a gap of over 10 s (a sleep,
// a stopped process) is no rate at all, only the start of the next one.
int64_t GrowthPerTick(int64_t growth, int64_t intervalMs);

// The graph value of a growth: growth / divisor rounded half to even, at most 48; 0 without a
// divisor.
uint16_t ScaledValue(int64_t growth, uint32_t divisor);

} // namespace kestrel
