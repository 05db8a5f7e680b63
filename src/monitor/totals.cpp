#include "monitor/totals.h"

#include "text/conversion.h"

#include <array>
#include <optional>
#include <vector>

namespace kestrel {

namespace {

DayAndMonth RolledTo(DayAndMonth kept, CivilDate date) {
    if (kept.day.year != date.year || kept.day.month != date.month)
        kept.month = {};
    if (kept.day != date)
        kept.today = {};
    kept.day = date;
    return kept;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (size_t end; (end = text.find(separator)) != std::string_view::npos;) {
        parts.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    parts.push_back(text);
    return parts;
}

std::optional<CivilDate> DateOf(std::string_view text) {
    const auto parts = Split(text, '-');
    if (parts.size() != 3)
        return std::nullopt;
    const auto year = DecimalOf<int32_t>(parts[0]), month = DecimalOf<int32_t>(parts[1]),
               day = DecimalOf<int32_t>(parts[2]);
    if (!year || !month || !day)
        return std::nullopt;
    return CivilDate{*year, *month, *day};
}

} // namespace

void Totals::Add(const std::string& identity, CivilDate date, Tally growth) {
    DayAndMonth& kept = byIdentity_[identity];
    kept = RolledTo(kept, date);
    kept.today.in += growth.in;
    kept.today.out += growth.out;
    kept.month.in += growth.in;
    kept.month.out += growth.out;
}

DayAndMonth Totals::Of(const std::string& identity, CivilDate date) const {
    const auto kept = byIdentity_.find(identity);
    return kept == byIdentity_.end() ? DayAndMonth{date, {}, {}} : RolledTo(kept->second, date);
}

std::string Totals::Encode() const {
    std::string text;
    for (const auto& [identity, kept] : byIdentity_) {
        text += identity + '\t' + std::to_string(kept.day.year) + '-' +
                std::to_string(kept.day.month) + '-' + std::to_string(kept.day.day);
        for (uint64_t n : {kept.today.in, kept.today.out, kept.month.in, kept.month.out})
            text += '\t' + std::to_string(n);
        text += '\n';
    }
    return text;
}

Totals Totals::Decode(std::string_view text) {
    Totals totals;
    for (std::string_view line : Split(text, '\n')) {
        const auto fields = Split(line, '\t');
        if (fields.size() != 6)
            continue;
        const std::optional<CivilDate> day = DateOf(fields[1]);
        std::array<std::optional<uint64_t>, 4> n;
        for (size_t i = 0; i < n.size(); ++i)
            n[i] = DecimalOf<uint64_t>(fields[i + 2]);
        if (day && n[0] && n[1] && n[2] && n[3])
            totals.byIdentity_[std::string(fields[0])] = {*day, {*n[0], *n[1]}, {*n[2], *n[3]}};
    }
    return totals;
}

std::string TotalText(uint64_t bytes) {
    static constexpr char Units[] = "BKMGTPE";
    size_t unit = 0;
    uint64_t tenths = 0; // of the unit reached; only read below ten, where it cannot overflow
    while (bytes >= 1024 && unit + 1 < sizeof Units - 1) {
        tenths = bytes * 10 / 1024;
        bytes /= 1024;
        ++unit;
    }
    if (unit > 0 && bytes < 10)
        return std::to_string(tenths / 10) + '.' + std::to_string(tenths % 10) + Units[unit];
    return std::to_string(bytes) + Units[unit];
}

} // namespace kestrel
