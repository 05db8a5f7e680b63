#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel {

struct InterfaceRow {
    std::string description; // up to the first NUL, at most 256 bytes
    uint64_t inOctets = 0;   // counters that wrap at 2^32, or never where wide
    uint64_t outOctets = 0;
    bool wide = false;     // the platform counts in 64 bits
    bool loopback = false; // the machine talking to itself: left out of the sum of all
    bool operator==(const InterfaceRow&) const = default;
};

struct InterfaceReading {
    uint32_t status = 0; // 0 when the table was read
    std::vector<InterfaceRow> rows;
};

// The operating system's table of network interfaces, sorted as the platform sorts them.
class InterfaceTable {
  public:
    virtual ~InterfaceTable() = default;
    // Binds the platform library that reads the table; called once at window creation.
    virtual void Load() = 0;
    // One reading into a buffer of bufferSize bytes. When the table does not fit, the reading
    // fails and raises bufferSize to the size the platform asks for.
    virtual InterfaceReading Read(uint32_t& bufferSize) = 0;
};

} // namespace kestrel
