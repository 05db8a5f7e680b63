#include "platform/linux/linux_interface_table.h"

#include <net/if.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <optional>

namespace kestrel {

namespace {

constexpr uint32_t NotEnoughRoom = 122; // the Windows status, which the reading acts on
constexpr int InBytesField = 0, OutBytesField = 8;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The counter at that place among the blank-separated fields, kept to its low 32 bits.
std::optional<uint32_t> Field(std::string_view counters, int index) {
    for (int i = 0;; ++i) {
        counters = counters.substr(std::min(counters.find_first_not_of(' '), counters.size()));
        const size_t end = std::min(counters.find(' '), counters.size());
        if (counters.empty())
            return std::nullopt;
        if (i == index) {
            uint64_t value = 0;
            const auto [rest, error] =
                std::from_chars(counters.data(), counters.data() + end, value);
            if (error != std::errc() || rest != counters.data() + end)
                return std::nullopt;
            return static_cast<uint32_t>(value);
        }
        counters.remove_prefix(end);
    }
}

} // namespace

std::vector<ProcNetDevRow> ParseProcNetDev(std::string_view text) {
    std::vector<ProcNetDevRow> rows;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        const size_t colon = line.rfind(':');
        if (colon == std::string_view::npos || line.find('|') != std::string_view::npos)
            continue; // the two heading lines
        const std::string_view name = Trimmed(line.substr(0, colon));
        const std::string_view counters = line.substr(colon + 1);
        const auto in = Field(counters, InBytesField), out = Field(counters, OutBytesField);
        if (name.empty() || !in || !out)
            continue;
        rows.push_back({std::string(name), *in, *out});
    }
    return rows;
}

InterfaceReading LinuxInterfaceTable::Read(uint32_t& bufferSize) {
    std::ifstream file("/proc/net/dev");
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<ProcNetDevRow> found = ParseProcNetDev(text);
    const auto index = [](const ProcNetDevRow& row) {
        const unsigned number = if_nametoindex(row.name.c_str());
        return number == 0 ? ~0u : number; // an interface gone meanwhile goes last
    };
    std::stable_sort(found.begin(), found.end(),
                     [&](const auto& a, const auto& b) { return index(a) < index(b); });
    const uint32_t needed = 4 + 860 * static_cast<uint32_t>(found.size());
    if (needed > bufferSize) {
        bufferSize = needed;
        return {NotEnoughRoom, {}};
    }
    InterfaceReading reading;
    for (const ProcNetDevRow& row : found)
        reading.rows.push_back({row.name.substr(0, 256), row.inOctets, row.outOctets});
    return reading;
}

} // namespace kestrel
