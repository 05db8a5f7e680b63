#include "pop3/email_address.h"

#include "pop3/text_ops.h"

#include <algorithm>

namespace kestrel {

namespace {

using namespace text;

const std::string AddressChars =
    "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&'*+-/=?_`{}|~";
const std::string NameChars = AddressChars + " ";
constexpr std::string_view Escaped = "\\\"";
constexpr std::string_view BlankTab = " \t";

bool IsEscaped(char c) {
    return Escaped.find(c) != std::string_view::npos;
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

    void Act(size_t pos) {
        const char c = t[pos - 1];
        switch (c) {
        case ' ':
        case '\t':
            if (pos > 1) {
                if (atSeen)
                    item.Address += Trim(Part(t, 1, pos - 1));
                else
                    item.Name += Part(t, 1, pos);
            }
            Drop(t, pos);
            break;
        case '(':
            ++depth;
            if (pos > 1) {
                if (addressOpen)
                    item.Address += Trim(Part(t, 1, pos - 1));
                else if (depth == 1)
                    item.Name += Part(t, 1, pos - 1);
            }
            Drop(t, pos);
            break;
        case ')':
            --depth;
            Drop(t, pos);
            break;
        case '"':
            if (inQuote) {
                (angleSeen ? item.Address : item.Name) += Trim(Part(t, 1, pos - 1));
                Drop(t, pos);
                inQuote = false;
            } else {
                inQuote = true;
                Drop(t, 1);
            }
            break;
        case '<':
            if (pos > 1)
                item.Name += Part(t, 1, pos - 1);
            TrimInPlace(item.Name); // no blank or tab is left at its ends either
            angleSeen = addressOpen = true;
            Drop(t, pos);
            break;
        case '>':
            addressOpen = atSeen = false;
            item.Address += StripCharsAtEnds(BlankTab, Trim(Part(t, 1, pos - 1)));
            Drop(t, pos);
            break;
        case '@':
            atSeen = true;
            if (!addressOpen && angleSeen)
                throw AddressParseError();
            addressOpen = true;
            item.Address += Part(t, 1, pos);
            Drop(t, pos);
            break;
        case '.':
            if (angleSeen) {
                item.Address += StripCharsAtEnds(BlankTab, Trim(Part(t, 1, pos - 1))) + ".";
                Drop(t, pos);
                DropLeadingBlanks(t);
            } else {
                item.Address += Part(t, 1, pos);
                Drop(t, pos);
            }
            break;
        case '\\':
            if (inQuote) {
                const char next = pos < t.size() ? t[pos] : '\0';
                (addressOpen ? item.Address : item.Name) += Part(t, 1, pos - 1) + next;
            }
            Drop(t, pos + 1);
            break;
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
    size_t pos = PosOfAny(parser.SearchSet(), parser.t);
    if (pos == 0) {
        Address = trimmed;
        return;
    }
    while (pos > 0) {
        parser.Act(pos);
        pos = PosOfAny(parser.SearchSet(), parser.t);
    }
    if (parser.addressOpen && !parser.angleSeen)
        Address += StripCharsAtEnds(BlankTab, Trim(parser.t));
}

std::string EmailAddress::AddressText() const {
    if (Address.empty())
        return Name.empty() ? "" : "<>";
    const size_t at = Address.rfind('@');
    std::string_view local = at == std::string::npos ? "" : std::string_view(Address).substr(0, at);
    const std::string_view domain =
        at == std::string::npos ? "" : std::string_view(Address).substr(at);
    size_t k = PosOfFirstOther(AddressChars, local);
    if (k == 0 || local[k - 1] == '.') {
        const std::string plain = std::string(local) + std::string(domain);
        return Name.empty() ? plain : "<" + plain + ">";
    }
    std::string quoted = "<\"";
    while (k > 0) {
        quoted += local.substr(0, k - 1);
        if (IsEscaped(local[k - 1]))
            quoted += '\\';
        quoted += local[k - 1];
        Drop(local, k);
        k = PosOfFirstOther(AddressChars, local);
    }
    return quoted.append(local).append("\"").append(domain).append(">");
}

std::string EmailAddress::Text() const {
    if (Name.empty() || Name == Upper(Address))
        return AddressText();
    if (PosOfFirstOther(NameChars, Name) == 0)
        return Name + " " + AddressText();
    // Quoted, with a backslash before each escaped character.
    std::string quoted = "\"";
    std::string_view rest = Name;
    for (size_t k = PosOfFirstOther(NameChars, rest); k > 0; k = PosOfFirstOther(NameChars, rest)) {
        quoted += rest.substr(0, k - 1);
        if (IsEscaped(rest[k - 1]))
            quoted += '\\';
        quoted += rest[k - 1];
        Drop(rest, k);
    }
    return quoted.append(rest).append("\" ").append(AddressText());
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
    size_t pos = PosOfAny(TopSet, t);
    if (pos == 0) {
        AddItem(list, TrimLeft(value), false);
        return;
    }
    while (pos > 0) {
        switch (t[pos - 1]) {
        case ' ':
        case '\t':
            c += t.substr(0, pos);
            Drop(t, pos);
            break;
        case ':':
            Drop(t, pos);
            c.clear();
            break;
        case ';':
            c += t.substr(0, pos - 1);
            // A piece of blanks only is dropped as well: item parsing trims them anyway, and
            // they must not be looked at again for every further ";".
            if (!Trim(c).empty())
                AddItem(list, TrimLeft(c), false);
            c.clear();
            Drop(t, pos);
            break;
        case '(':
            ++depth;
            c += t.substr(0, pos);
            Drop(t, pos);
            break;
        case ')':
            --depth;
            c += t.substr(0, pos);
            Drop(t, pos);
            break;
        case '"':
            c += t.substr(0, pos);
            Drop(t, pos);
            inQuote = !inQuote;
            break;
        case ',':
            c += t.substr(0, pos - 1);
            AddItem(list, c, true);
            c.clear();
            Drop(t, pos);
            break;
        case '\\':
            c += t.substr(0, std::min(pos + 1, t.size()));
            Drop(t, pos + 1);
            break;
        default:
            break;
        }
        pos = depth > 0 ? PosOfAny("(\\)", t) : inQuote ? PosOfAny("\"\\", t) : PosOfAny(TopSet, t);
    }
    if (Trim(c).empty() && Trim(t).empty())
        return;
    c += t;
    AddItem(list, TrimLeft(c), true);
}

} // namespace kestrel
