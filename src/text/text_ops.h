#pragma once

// The small text operations of header processing.

#include <string>
#include <string_view>

namespace kestrel::text {

std::string StripCharsAtEnds(std::string_view set, std::string_view text);
// Removes every character with a code up to 32 at both ends, or at the start only.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
// The same on a text of the caller's, without a copy.
void TrimInPlace(std::string& text);
void TrimRightInPlace(std::string& text);
// Only a-z become A-Z.
std::string Upper(std::string_view text);
std::string Lower(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// The value of a hexadecimal digit of either case; -1 for anything else.
int HexDigit(char c);

// The part behind position k.
inline std::string After(std::string_view t, size_t k) {
    return k >= t.size() ? std::string() : std::string(t.substr(k));
}

} // namespace kestrel::text
