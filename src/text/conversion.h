#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrel {

// The runtime's failure to read a text as an integer.
class ConvertError : public std::runtime_error {
  public:
    explicit ConvertError(const std::string& text)
        : std::runtime_error("'" + text + "' ist kein gültiger Integerwert") {}
};

// The digits at the front of a text.
struct Digits {
    size_t count = 0;      // how many were read
    uint64_t value = 0;    // their value modulo 2^64
    bool overflow = false; // the value needs more than 64 bits
};
// The one reader of digits: those at the front of text, in base 10 or 16.
Digits ReadDigits(std::string_view text, unsigned base = 10);

// A text that is nothing but decimal digits, at least one, whose value T holds; nothing for
// anything else (no blank, no sign).
template <std::integral T> std::optional<T> DecimalOf(std::string_view text) {
    const Digits digits = ReadDigits(text);
    if (digits.count == 0 || digits.count != text.size() || digits.overflow ||
        digits.value > static_cast<uint64_t>(std::numeric_limits<T>::max()))
        return std::nullopt;
    return static_cast<T>(digits.value);
}

// The runtime's integer conversion: leading blanks, one sign, decimal digits or "$" and
// hexadecimal digits, and nothing after them; 32-bit range. Nothing when the text is no number.
std::optional<int32_t> TryStrToInt(std::string_view text);
// The same, raising ConvertError for a text that is no number.
int32_t StrToInt(std::string_view text);

// The lenient reading of a number at the front of a text: leading blanks, one optional sign,
// then decimal digits up to the first other character; 0 without digits. Never fails: it wraps
// like a 32-bit integer instead of failing on absurd lengths.
int32_t LeadingInteger(std::string_view text);

} // namespace kestrel
