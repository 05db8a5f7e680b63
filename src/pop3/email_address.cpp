#include "pop3/email_address.h"

#include "pop3/text_ops.h"

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

struct Parser {
    EmailAddress& item;
    std::string t;
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
            if (pos == 1) {
                t.erase(0, 1);
            } else {
                if (atSeen)
                    item.Address += Trim(Part(t, 1, pos - 1));
                else
                    item.Name += Part(t, 1, pos);
                t = After(t, pos);
            }
            break;
        case '(':
            ++depth;
            if (pos == 1) {
                t.erase(0, 1);
            } else {
                if (addressOpen)
                    item.Address += Trim(Part(t, 1, pos - 1));
                else if (depth == 1)
                    item.Name += Part(t, 1, pos - 1);
                t = After(t, pos);
            }
            break;
        case ')':
            --depth;
            t = After(t, pos);
            break;
        case '"':
            if (inQuote) {
                (angleSeen ? item.Address : item.Name) += Trim(Part(t, 1, pos - 1));
                t = After(t, pos);
                inQuote = false;
            } else {
                inQuote = true;
                t.erase(0, 1);
            }
            break;
        case '<':
            if (pos > 1)
                item.Name += Part(t, 1, pos - 1);
            item.Name = StripCharsAtEnds(BlankTab, Trim(item.Name));
            angleSeen = addressOpen = true;
            t = After(t, pos);
            break;
        case '>':
            addressOpen = atSeen = false;
            item.Address += StripCharsAtEnds(BlankTab, Trim(Part(t, 1, pos - 1)));
            t = After(t, pos);
            break;
        case '@':
            atSeen = true;
            if (!addressOpen && angleSeen)
                throw AddressParseError();
            addressOpen = true;
            item.Address += Part(t, 1, pos);
            t = After(t, pos);
            break;
        case '.':
            if (angleSeen) {
                item.Address += StripCharsAtEnds(BlankTab, Trim(Part(t, 1, pos - 1))) + ".";
                t = TrimLeft(After(t, pos));
            } else {
                item.Address += Part(t, 1, pos);
                t = After(t, pos);
            }
            break;
        case '\\':
            if (inQuote) {
                const char next = pos < t.size() ? t[pos] : '\0';
                (addressOpen ? item.Address : item.Name) += Part(t, 1, pos - 1) + next;
            }
            t = After(t, pos + 1);
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
    Parser parser{*this, Trim(value)};
    if (parser.t.empty())
        return;
    size_t pos = PosOfAny(parser.SearchSet(), parser.t);
    if (pos == 0) {
        Address = parser.t;
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
    std::string local = at == std::string::npos ? "" : Address.substr(0, at);
    const std::string domain = at == std::string::npos ? "" : Address.substr(at);
    size_t k = PosOfFirstOther(AddressChars, local);
    if (k == 0 || local[k - 1] == '.')
        return Name.empty() ? local + domain : "<" + local + domain + ">";
    std::string quoted = "\"";
    while (k > 0) {
        quoted += Part(local, 1, k - 1);
        if (IsEscaped(local[k - 1]))
            quoted += '\\';
        quoted += local[k - 1];
        local = After(local, k);
        k = PosOfFirstOther(AddressChars, local);
    }
    return "<" + quoted + local + "\"" + domain + ">";
}

std::string EmailAddress::Text() const {
    if (Name.empty() || Name == Upper(Address))
        return AddressText();
    size_t k = PosOfFirstOther(NameChars, Name);
    if (k == 0)
        return Name + " " + AddressText();
    std::string quoted = "\"" + Part(Name, 1, k - 1);
    if (IsEscaped(Name[k - 1]))
        quoted += '\\';
    quoted += Name[k - 1];
    std::string rest = After(Name, k);
    while (!rest.empty()) {
        k = PosOfFirstOther(NameChars, rest);
        if (k == 0)
            return quoted + rest + "\" " + AddressText();
        quoted += Part(rest, 1, k - 1);
        if (IsEscaped(rest[k - 1]))
            quoted += '\\';
        quoted += rest[k - 1];
        rest = After(rest, k);
    }
    return quoted + "\" " + AddressText();
}

void ParseAddressList(std::string_view value, EmailAddressList& list) {
    list.clear();
    if (Trim(value).empty())
        return;
    std::string t(value), c;
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
            if (pos == 1) {
                c += t[0];
                t.erase(0, 1);
            } else {
                c += Part(t, 1, pos);
                t = After(t, pos);
            }
            break;
        case ':':
            t = After(t, pos);
            c.clear();
            break;
        case ';':
            c += Part(t, 1, pos - 1);
            if (!Trim(c).empty()) {
                AddItem(list, TrimLeft(c), false);
                c.clear();
            }
            t = After(t, pos);
            break;
        case '(':
            ++depth;
            c += Part(t, 1, pos);
            t = After(t, pos);
            break;
        case ')':
            --depth;
            c += Part(t, 1, pos);
            t = After(t, pos);
            break;
        case '"':
            c += Part(t, 1, pos);
            t = After(t, pos);
            inQuote = !inQuote;
            break;
        case ',':
            c += Part(t, 1, pos - 1);
            AddItem(list, c, true);
            c.clear();
            t = After(t, pos);
            break;
        case '\\':
            c += Part(t, 1, pos + 1);
            t = After(t, pos + 1);
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
