#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kestrel {

// The runtime's failure to read a text as an integer.
class ConvertError : public std::runtime_error {
  public:
    explicit ConvertError(const std::string& text)
        : std::runtime_error("'" + text + "' ist kein g\xFCltiger Integerwert") {}
};

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
