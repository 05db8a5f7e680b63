#include "message/header_list.h"

#include "text/text_ops.h"

namespace kestrel {

namespace {

// The name part of a line, as it stands; empty without a colon.
std::string_view NameOf(std::string_view line) {
    const size_t colon = line.find(':');
    return colon == std::string_view::npos ? std::string_view() : line.substr(0, colon);
}

} // namespace

std::string HeaderList::NameAt(int index) const {
    if (index < 0 || index >= Count())
        return {};
    return text::Upper(NameOf(Lines[static_cast<size_t>(index)]));
}

int HeaderList::LineOfName(std::string_view name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string_view found = NameOf(Lines[static_cast<size_t>(i)]);
        if (!found.empty() && text::EqualsIgnoringCase(found, name))
            return i;
    }
    return -1;
}

std::string HeaderList::ValueAt(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = Lines[static_cast<size_t>(index)];
    std::string value = text::After(line, NameOf(line).size() + 1);
    // Each continuation joins the value so far, trimmed at its end, with one blank; appended in
    // place, so that a header folded over many lines costs no more than its length.
    for (int next = index + 1; next < Count(); ++next) {
        const std::string& more = Lines[static_cast<size_t>(next)];
        if (more.empty() || (more[0] != '\t' && more[0] != ' '))
            break;
        text::TrimRightInPlace(value);
        value += ' ';
        value += text::Trim(more);
    }
    return text::Trim(value);
}

} // namespace kestrel
