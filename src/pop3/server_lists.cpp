#include "pop3/server_lists.h"

#include "text/conversion.h"
#include "text/text_ops.h"

#include <algorithm>

#include <unordered_set>

namespace kestrel {

namespace {

UniqueIds Broken(std::string fault) {
    UniqueIds result;
    result.state = UniqueIds::State::Broken;
    result.fault = std::move(fault);
    return result;
}

bool IsIdText(std::string_view id) {
    if (id.empty() || id.size() > MostIdBytes)
        return false;
    for (const char c : id) {
        if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    }
    return true;
}

// "12 abc" as 12 and "abc"; 0 for a number that is not one.
int32_t SplitLine(std::string_view line, std::string_view& id) {
    const size_t space = line.find(' ');
    if (space == std::string_view::npos)
        return 0;
    const std::optional<int32_t> number = DecimalOf<int32_t>(line.substr(0, space));
    if (!number)
        return 0;
    id = line.substr(space + 1);
    while (!id.empty() && (id.back() == ' ' || id.back() == '\t'))
        id.remove_suffix(1);
    return *number;
}

} // namespace

namespace {

void AddWords(const std::string& words, std::vector<std::string>& to) {
    size_t at = 0;
    while (at < words.size()) {
        const size_t end = std::min(words.find(' ', at), words.size());
        if (end > at)
            to.push_back(words.substr(at, end - at));
        at = end + 1;
    }
}

} // namespace

Capabilities ParseCapabilities(const std::vector<std::string>& lines) {
    Capabilities result;
    for (const std::string& line : lines) {
        const std::string name = text::Trim(line.substr(0, line.find(' ')));
        if (text::EqualsIgnoringCase(name, "PIPELINING"))
            result.pipelining = true;
        else if (text::EqualsIgnoringCase(name, "STLS"))
            result.stls = true;
        else if (text::EqualsIgnoringCase(name, "SASL"))
            AddWords(text::Upper(text::After(line, name.size())), result.sasl);
    }
    return result;
}

bool Capabilities::Offers(const std::string& mechanism) const {
    return std::find(sasl.begin(), sasl.end(), mechanism) != sasl.end();
}

int32_t UniqueIds::NumberOf(const std::string& id) const {
    for (size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == id)
            return static_cast<int32_t>(i + 1);
    }
    return 0;
}

UniqueIds ParseUniqueIds(const std::vector<std::string>& lines, int32_t count) {
    if (count < 0 || lines.size() != static_cast<size_t>(count))
        return Broken("UIDL gave " + std::to_string(lines.size()) + " ids for " +
                      std::to_string(count) + " messages");
    UniqueIds result;
    result.ids.resize(lines.size());
    std::unordered_set<std::string_view> taken;
    for (const std::string& line : lines) {
        std::string_view id;
        const int32_t number = SplitLine(line, id);
        if (number < 1 || number > count)
            return Broken("UIDL gave a message number out of range");
        if (!IsIdText(id))
            return Broken("UIDL gave an id that is no id");
        std::string& slot = result.ids[static_cast<size_t>(number - 1)];
        if (!slot.empty())
            return Broken("UIDL gave two ids for one message");
        if (!taken.insert(id).second)
            return Broken("UIDL gave one id to two messages");
        slot = id;
    }
    result.state = UniqueIds::State::Listed;
    return result;
}

} // namespace kestrel
