#include "text/conversion.h"

#include <string>

namespace kestrel {

namespace {

// The digits at the front of a text, as far as they reach; both conversions read them here.
struct IntegerPrefix {
    bool negative = false;
    uint32_t base = 10;
    size_t digits = 0; // how many were read
    size_t end = 0;    // the position behind the last one
    uint32_t low = 0;  // the magnitude, modulo 2^32
    bool wide = false; // the magnitude needs more than 32 bits

    int32_t Wrapped() const { return static_cast<int32_t>(negative ? 0u - low : low); }
};

// Skips the "$" or "0x" that marks a hexadecimal number.
uint32_t ReadBaseMark(std::string_view text, size_t& i) {
    if (i < text.size() && text[i] == '$') {
        ++i;
        return 16;
    }
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        i += 2;
        return 16;
    }
    return 10;
}

IntegerPrefix ReadIntegerPrefix(std::string_view text, bool hexMarks) {
    IntegerPrefix n;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        n.negative = text[i++] == '-';
    if (hexMarks)
        n.base = ReadBaseMark(text, i);
    const Digits digits = ReadDigits(text.substr(i), n.base);
    n.digits = digits.count;
    n.end = i + digits.count;
    n.low = static_cast<uint32_t>(digits.value); // 2^32 divides 2^64: the wrap is the same
    n.wide = digits.overflow || digits.value > UINT32_MAX;
    return n;
}

int DigitValue(char c, unsigned base) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (base == 16 && c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (base == 16 && c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Digits ReadDigits(std::string_view text, unsigned base) {
    Digits digits;
    for (const char c : text) {
        const int digit = DigitValue(c, base);
        if (digit < 0)
            break;
        const uint64_t before = digits.value;
        digits.value = before * base + static_cast<unsigned>(digit);
        digits.overflow =
            digits.overflow || before > (UINT64_MAX - static_cast<unsigned>(digit)) / base;
        ++digits.count;
    }
    return digits;
}

std::optional<int32_t> TryStrToInt(std::string_view text) {
    const IntegerPrefix n = ReadIntegerPrefix(text, true);
    if (n.digits == 0 || n.end != text.size() || n.wide)
        return std::nullopt;
    // Decimal numbers keep to the signed range; hexadecimal ones may use all 32 bits.
    const uint32_t decimalLimit = n.negative ? 0x80000000u : 0x7FFFFFFFu;
    if (n.base == 10 && n.low > decimalLimit)
        return std::nullopt;
    return n.Wrapped();
}

int32_t StrToInt(std::string_view text) {
    if (const auto value = TryStrToInt(text))
        return *value;
    throw ConvertError(std::string(text));
}

int32_t LeadingInteger(std::string_view text) {
    return ReadIntegerPrefix(text, false).Wrapped();
}

} // namespace kestrel
