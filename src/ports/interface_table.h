#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

struct InterfaceRow {
    std::string description; // up to the first NUL, at most 256 bytes
    uint64_t inOctets = 0;   // counters that wrap at 2^32, or never where wide
    uint64_t outOctets = 0;
    bool wide = false;     // the platform counts in 64 bits
    bool loopback = false; // the machine talking to itself
    // Carries traffic in or out of the machine: backed by a device. Only these are summed, so
    // that bytes a bridge, a tunnel or a virtual adapter passes on count once.
    bool hardware = false;
    // Stays the same while rows come and go and across restarts; empty: the description.
    std::string identity{};
    // What the user knows the interface by; empty: the description.
    std::string name{};
    const std::string& Identity() const { return identity.empty() ? description : identity; }
    const std::string& Name() const { return name.empty() ? description : name; }
    bool operator==(const InterfaceRow&) const = default;
};

// The table's rows, or nothing when it could not be read: a failed reading is no sample, while
// a table without rows is one.
using InterfaceReading = std::optional<std::vector<InterfaceRow>>;

// What a reading serves. The list is filled once and must hold every interface; a sample comes
// every tick and may miss one that came since, as the next tick reads again.
enum class ReadingFor { InterfaceList, Sample };

// The operating system's table of network interfaces, sorted as the platform sorts them.
class InterfaceTable {
  public:
    virtual ~InterfaceTable() = default;
    // Binds the platform library that reads the table; called once at window creation.
    virtual void Load() = 0;
    virtual InterfaceReading Read(ReadingFor purpose) = 0;
};

} // namespace kestrel
