#include "message/email_address.h"

#include "text/text_ops.h"
#include "text/utf8.h"

#include <algorithm>

namespace kestrel {

namespace {

using namespace text;

const std::string AddressChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&'*+-/=?_`{}|~";
const std::string NameChars = AddressChars + " ";
constexpr std::string_view Escaped = "\\\"";
constexpr std::string_view BlankTab = " \t";
constexpr size_t NotFound = std::string_view::npos;

bool IsEscaped(char c) {
    return Escaped.find(c) != NotFound;
}

// A backslash before each backslash and double quote, which no address or name character is.
void AppendEscaped(std::string& out, std::string_view text) {
    for (const char c : text) {
        if (IsEscaped(c))
            out += '\\';
        out += c;
    }
}

// Drops the first n characters of a view; the parsers step through their text this way, so
// that no step copies what is left of it.
void Drop(std::string_view& t, size_t n) {
    t.remove_prefix(std::min(n, t.size()));
}

void DropLeadingBlanks(std::string_view& t) {
    while (!t.empty() && static_cast<unsigned char>(t.front()) <= ' ')
        t.remove_prefix(1);
}

struct Parser {
    EmailAddress& item;
    std::string_view t; // what is left of the trimmed value
    int depth = 0;
    bool inQuote = false, addressOpen = false, angleSeen = false, atSeen = false;

    std::string_view SearchSet() const {
        if (depth > 0)
            return "()\\";
        if (inQuote)
            return "\"\\";
        if (atSeen && angleSeen)
            return ".>(";
        if (atSeen)
            return ".( ";
        if (addressOpen)
            return "\"(@>";
        return "(\"< @\t";
    }

    // Acts on the character at position at (from 0) and drops what it consumed.
    void Act(size_t at) {
        const std::string_view before = t.substr(0, at);
        const std::string_view through = t.substr(0, at + 1); // the character included
        switch (t[at]) {
        case ' ':
        case '\t':
            if (at > 0) {
                if (atSeen)
                    item.Address += Trim(before);
                else
                    item.Name += through;
            }
            Drop(t, at + 1);
            break;
        case '(':
            ++depth;
            if (at > 0) {
                if (addressOpen)
                    item.Address += Trim(before);
                else if (depth == 1)
                    item.Name += before;
            }
            Drop(t, at + 1);
            break;
        case ')':
            --depth;
            Drop(t, at + 1);
            break;
        case '"':
            if (inQuote) {
                (angleSeen ? item.Address : item.Name) += Trim(before);
                Drop(t, at + 1);
                inQuote = false;
            } else {
                inQuote = true;
                Drop(t, Utf8At(t, 0).length); // one character, never a piece of one
            }
            break;
        case '<':
            item.Name += before;
            TrimInPlace(item.Name); // no blank or tab is left at its ends either
            angleSeen = addressOpen = true;
            Drop(t, at + 1);
            break;
        case '>':
            addressOpen = atSeen = false;
            item.Address += StripCharsAtEnds(BlankTab, Trim(before));
            Drop(t, at + 1);
            break;
        case '@':
            atSeen = true;
            if (!addressOpen && angleSeen)
                throw AddressParseError();
            addressOpen = true;
            item.Address += through;
            Drop(t, at + 1);
            break;
        case '.':
            if (angleSeen) {
                item.Address += StripCharsAtEnds(BlankTab, Trim(before)) + ".";
                Drop(t, at + 1);
                DropLeadingBlanks(t);
            } else {
                item.Address += through;
                Drop(t, at + 1);
            }
            break;
        case '\\': {
            // The escaped character whole, however many bytes it takes.
            const size_t escaped = at + 1 < t.size() ? Utf8At(t, at + 1).length : 1;
            if (inQuote) {
                std::string& target = addressOpen ? item.Address : item.Name;
                target += before;
                if (at + 1 < t.size())
                    target += t.substr(at + 1, escaped);
                else
                    target += '\0';
            }
            Drop(t, at + 1 + escaped);
            break;
        }
        default:
            break;
        }
    }
};

void AddItem(EmailAddressList& list, std::string_view text, bool dropEmpty) {
    list.emplace_back();
    list.back().SetText(text);
    if (dropEmpty) {
        const std::string shown = Trim(list.back().Text());
        if (shown.empty() || shown == "<>")
            list.pop_back();
    }
}

} // namespace

void EmailAddress::SetText(std::string_view value) {
    Address.clear();
    Name.clear();
    const std::string trimmed = Trim(value);
    Parser parser{*this, trimmed};
    if (parser.t.empty())
        return;
    size_t at = parser.t.find_first_of(parser.SearchSet());
    if (at == NotFound) {
        Address = trimmed;
        return;
    }
    while (at != NotFound) {
        parser.Act(at);
        at = parser.t.find_first_of(parser.SearchSet());
    }
    if (parser.addressOpen && !parser.angleSeen)
        Address += StripCharsAtEnds(BlankTab, Trim(parser.t));
}

std::string EmailAddress::AddressText() const {
    if (Address.empty())
        return Name.empty() ? "" : "<>";
    const size_t at = Address.rfind('@');
    const std::string_view local =
        at == std::string::npos ? "" : std::string_view(Address).substr(0, at);
    const std::string_view domain =
        at == std::string::npos ? "" : std::string_view(Address).substr(at);
    const size_t other = local.find_first_not_of(AddressChars);
    if (other == NotFound || local[other] == '.') {
        const std::string plain = std::string(local) + std::string(domain);
        return Name.empty() ? plain : "<" + plain + ">";
    }
    std::string quoted = "<\"";
    AppendEscaped(quoted, local);
    return quoted.append("\"").append(domain).append(">");
}

std::string EmailAddress::Text() const {
    if (Name.empty() || Name == Upper(Address))
        return AddressText();
    if (Name.find_first_not_of(NameChars) == NotFound)
        return Name + " " + AddressText();
    std::string quoted = "\"";
    AppendEscaped(quoted, Name);
    return quoted.append("\" ").append(AddressText());
}

void ParseAddressList(std::string_view value, EmailAddressList& list) {
    list.clear();
    if (Trim(value).empty())
        return;
    std::string_view t = value;
    std::string c;
    int depth = 0;
    bool inQuote = false;
    constexpr std::string_view TopSet = ":;(\", \t";
    size_t at = t.find_first_of(TopSet);
    if (at == NotFound) {
        AddItem(list, TrimLeft(value), false);
        return;
    }
    while (at != NotFound) {
        const std::string_view before = t.substr(0, at);
        const std::string_view through = t.substr(0, at + 1); // the character included
        switch (t[at]) {
        case ' ':
        case '\t':
            c += through;
            Drop(t, at + 1);
            break;
        case ':':
            Drop(t, at + 1);
            c.clear();
            break;
        case ';':
            c += before;
            // A piece of blanks only is dropped as well: item parsing trims them anyway, and
            // they must not be looked at again for every further ";".
            if (!Trim(c).empty())
                AddItem(list, TrimLeft(c), false);
            c.clear();
            Drop(t, at + 1);
            break;
        case '(':
            ++depth;
            c += through;
            Drop(t, at + 1);
            break;
        case ')':
            --depth;
            c += through;
            Drop(t, at + 1);
            break;
        case '"':
            c += through;
            Drop(t, at + 1);
            inQuote = !inQuote;
            break;
        case ',':
            c += before;
            AddItem(list, c, true);
            c.clear();
            Drop(t, at + 1);
            break;
        case '\\':
            c += t.substr(0, at + 2); // with the character it escapes, if any
            Drop(t, at + 2);
            break;
        default:
            break;
        }
        at = depth > 0 ? t.find_first_of("(\\)")
             : inQuote ? t.find_first_of("\"\\")
                       : t.find_first_of(TopSet);
    }
    if (Trim(c).empty() && Trim(t).empty())
        return;
    c += t;
    AddItem(list, TrimLeft(c), true);
}

} // namespace kestrel
