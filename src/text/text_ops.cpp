#include "text/text_ops.h"

namespace kestrel::text {

namespace {
bool Blank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}
char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerChar(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::string StripCharsAtEnds(std::string_view set, std::string_view text) {
    const size_t first = text.find_first_not_of(set);
    if (first == std::string_view::npos)
        return {};
    const size_t last = text.find_last_not_of(set);
    return std::string(text.substr(first, last - first + 1));
}

std::string Trim(std::string_view text) {
    size_t a = 0, b = text.size();
    while (a < b && Blank(text[a]))
        ++a;
    while (b > a && Blank(text[b - 1]))
        --b;
    return std::string(text.substr(a, b - a));
}

void TrimRightInPlace(std::string& text) {
    while (!text.empty() && Blank(text.back()))
        text.pop_back();
}

void TrimInPlace(std::string& text) {
    TrimRightInPlace(text);
    size_t first = 0;
    while (first < text.size() && Blank(text[first]))
        ++first;
    text.erase(0, first);
}

std::string TrimLeft(std::string_view text) {
    size_t a = 0;
    while (a < text.size() && Blank(text[a]))
        ++a;
    return std::string(text.substr(a));
}

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = UpperChar(c);
    return out;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = LowerChar(c);
    return out;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperChar(a[i]) != UpperChar(b[i]))
            return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace kestrel::text
