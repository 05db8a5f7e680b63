#pragma once

#include "ports/interface_table.h"

#include <string_view>

namespace kestrel {

// One interface of /proc/net/dev: its name and its 64-bit byte counters.
struct ProcNetDevRow {
    std::string name;
    uint64_t inOctets = 0;
    uint64_t outOctets = 0;
    bool operator==(const ProcNetDevRow&) const = default;
};

// The rows of /proc/net/dev's text. Each line is split at its last colon: names may hold one
// ("eth0:1"), and a large counter follows the colon without a blank.
std::vector<ProcNetDevRow> ParseProcNetDev(std::string_view text);

// Whether the text of /sys/class/net/NAME/flags (hexadecimal, "0x9") has IFF_LOOPBACK set; an
// unreadable text says no.
bool LoopbackInFlags(std::string_view text);

// The interface table of Linux: /proc/net/dev in interface index order, the description being
// the interface's name. The list and a sample read it alike.
class LinuxInterfaceTable : public InterfaceTable {
  public:
    void Load() override {}
    InterfaceReading Read(ReadingFor purpose) override;
};

} // namespace kestrel
