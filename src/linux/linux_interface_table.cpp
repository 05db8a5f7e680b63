#include "linux/linux_interface_table.h"

#include "text/conversion.h"

#include <net/if.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

namespace kestrel {

namespace {

constexpr int InBytesField = 0, OutBytesField = 8;

std::string_view Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The counter at that place among the blank-separated fields.
std::optional<uint64_t> Field(std::string_view counters, int index) {
    for (int i = 0;; ++i) {
        counters = counters.substr(std::min(counters.find_first_not_of(' '), counters.size()));
        const size_t end = std::min(counters.find(' '), counters.size());
        if (counters.empty())
            return std::nullopt;
        if (i == index)
            return DecimalOf<uint64_t>(counters.substr(0, end));
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

bool LoopbackInFlags(std::string_view text) {
    text = Trimmed(text.substr(0, std::min(text.find('\n'), text.size())));
    if (text.starts_with("0x") || text.starts_with("0X"))
        text.remove_prefix(2);
    const Digits flags = ReadDigits(text, 16);
    if (text.empty() || flags.count != text.size() || flags.overflow || flags.value > UINT32_MAX)
        return false;
    return (flags.value & IFF_LOOPBACK) != 0;
}

namespace {

// The kernel's own word on which interface is the loopback one, rather than a guess by name.
bool IsLoopback(const std::string& name) {
    std::ifstream file("/sys/class/net/" + name + "/flags");
    std::string text;
    std::getline(file, text);
    return LoopbackInFlags(text);
}

// Bridges, veth pairs, tunnels and the loopback one have no device behind them.
bool IsHardware(const std::string& name) {
    std::error_code ignored;
    return std::filesystem::exists("/sys/class/net/" + name + "/device", ignored);
}

// Each row's interface index, from one listing of every interface rather than a lookup (a
// socket and an ioctl) per row and comparison; an interface gone meanwhile goes last.
std::vector<unsigned> IndexesOf(const std::vector<ProcNetDevRow>& rows) {
    std::vector<unsigned> indexes(rows.size(), ~0u);
    struct if_nameindex* all = if_nameindex();
    for (const struct if_nameindex* i = all; i && i->if_index != 0; ++i) {
        for (size_t r = 0; r < rows.size(); ++r) {
            if (rows[r].name == i->if_name)
                indexes[r] = i->if_index;
        }
    }
    if (all)
        if_freenameindex(all);
    return indexes;
}

} // namespace

InterfaceReading LinuxInterfaceTable::Read(ReadingFor) {
    std::ifstream file("/proc/net/dev");
    if (!file)
        return std::nullopt;
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const std::vector<ProcNetDevRow> found = ParseProcNetDev(text);
    const std::vector<unsigned> indexes = IndexesOf(found);
    std::vector<size_t> order(found.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return indexes[a] < indexes[b]; });
    std::vector<InterfaceRow> rows;
    for (size_t i : order) {
        const std::string& name = found[i].name;
        rows.push_back({name.substr(0, 256), found[i].inOctets, found[i].outOctets, true,
                        IsLoopback(name), IsHardware(name)});
    }
    return rows;
}

} // namespace kestrel
