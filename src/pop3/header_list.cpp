#include "pop3/header_list.h"

#include "pop3/text_ops.h"

namespace kestrel {

std::string HeaderList::NameAt(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = Lines[static_cast<size_t>(index)];
    const size_t colon = line.find(':');
    return colon == std::string::npos ? std::string() : text::Upper(line.substr(0, colon));
}

int HeaderList::LineOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string found = NameAt(i);
        if (!found.empty() && text::EqualsIgnoringCase(found, name))
            return i;
    }
    return -1;
}

std::string HeaderList::ValueAt(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = Lines[static_cast<size_t>(index)];
    std::string value = text::After(line, NameAt(index).size() + 1);
    for (int next = index + 1; next < Count(); ++next) {
        const std::string& more = Lines[static_cast<size_t>(next)];
        if (more.empty() || (more[0] != '\t' && more[0] != ' '))
            break;
        value = text::Trim(value) + " " + text::Trim(more);
    }
    return text::Trim(value);
}

} // namespace kestrel
