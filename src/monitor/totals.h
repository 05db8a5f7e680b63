#pragma once

#include "ports/services.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace kestrel {

struct Tally {
    uint64_t in = 0, out = 0;
    bool operator==(const Tally&) const = default;
};

// One interface's bytes of its last counted day and of that day's month.
struct DayAndMonth {
    CivilDate day;
    Tally today, month;
    bool operator==(const DayAndMonth&) const = default;
};

// Bytes in and out per interface identity, today and this month, as kept beside kestrel.ini:
// one line per interface, "identity TAB date TAB in today TAB out today TAB in month TAB out
// month". A date other than the last counted one starts a new day, and of another month a new
// month too.
class Totals {
  public:
    void Add(const std::string& identity, CivilDate date, Tally growth);
    DayAndMonth Of(const std::string& identity, CivilDate date) const;

    std::string Encode() const;
    // Lines that do not read as written are left out.
    static Totals Decode(std::string_view text);
    bool operator==(const Totals&) const = default;

  private:
    std::map<std::string, DayAndMonth> byIdentity_;
};

// A byte count in four or five characters: "512B", "1.5K", "35M", "1023G".
std::string TotalText(uint64_t bytes);

} // namespace kestrel
