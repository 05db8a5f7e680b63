#include "text/cp1252.h"

#include <array>
#include <cstddef>

namespace kestrel {

namespace {

// 0x80..0x9F; the rest of 1252 is Latin-1.
// clang-format off
constexpr std::array<char32_t, 32> HighCharacters{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
// clang-format on

} // namespace

char32_t Cp1252Char(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? HighCharacters[byte - 0x80] : char32_t{byte};
}

char Cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c < 0x100))
        return static_cast<char>(c);
    for (size_t i = 0; i < HighCharacters.size(); ++i) {
        if (HighCharacters[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace kestrel
