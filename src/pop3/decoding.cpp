#include "pop3/decoding.h"

#include "net/exceptions.h"
#include "pop3/text_ops.h"

#include <algorithm>

namespace kestrel {

namespace {

// Decoded text may hold further markers, which are decoded in turn; this bounds the work. It
// counts the words decoded, not the markers passed over.
constexpr int MostWordsPerValue = 1000;

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::string DecodeQ(std::string_view e) {
    std::string out;
    for (size_t i = 0; i < e.size(); ++i) {
        if (e[i] == '_') {
            out += ' ';
        } else if (e[i] == '=' && i + 2 < e.size()) {
            const int high = HexDigit(e[i + 1]), low = HexDigit(e[i + 2]);
            if (high < 0 || low < 0)
                throw ConvertError("$" + std::string(e.substr(i + 1, 2)));
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += e[i];
        }
    }
    return out;
}

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    if (c == '+')
        return 62;
    if (c == '/')
        return 63;
    return 0; // fill characters, "?", blanks
}

std::string DecodeBase64(std::string_view e) {
    const std::string f = std::string(e) + "?=";
    std::string out;
    for (size_t i = 0; i + 4 <= f.size(); i += 4) {
        const int a = Base64Value(f[i]), b = Base64Value(f[i + 1]), c = Base64Value(f[i + 2]),
                  d = Base64Value(f[i + 3]);
        out += static_cast<char>((a * 4 + b / 16) % 256);
        out += static_cast<char>((b * 16 + c / 4) % 256);
        out += static_cast<char>((c * 64 + d) % 256);
    }
    return out;
}

// The index of the first marker ("=?" then the letters of kind, in any case) at or after from
// and before limit; npos when there is none.
size_t FindMarker(std::string_view h, std::string_view kind, size_t from, size_t limit) {
    for (size_t at = h.find("=?", from); at != std::string_view::npos && at < limit;
         at = h.find("=?", at + 1)) {
        if (text::EqualsIgnoringCase(h.substr(at + 2, kind.size()), kind))
            return at;
    }
    return std::string_view::npos;
}

} // namespace

std::string JisToShiftJis(std::string_view bytes) {
    std::string out;
    bool doubleByte = false;
    for (size_t i = 0; i < bytes.size();) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        if (a == 27) {
            if (i + 2 < bytes.size()) {
                const std::string_view pair = bytes.substr(i + 1, 2);
                if (pair == "$B")
                    doubleByte = true;
                else if (pair == "(B")
                    doubleByte = false;
                i += 3;
            } else {
                ++i;
            }
        } else if (!doubleByte) {
            out += static_cast<char>(a);
            ++i;
        } else {
            if (i + 1 >= bytes.size())
                break; // a last byte without a partner
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            out += static_cast<char>(((a - 1) / 2 + (a < 0x5F ? 0x71 : 0xB1)) % 256);
            const int second = (a % 2 == 1) ? (b < 0x60 ? b + 0x1F : b + 0x20) : b + 0x7E;
            out += static_cast<char>(second % 256);
            i += 2;
        }
    }
    return out;
}

// The marker search of each step is the same as on an upper-cased copy of the text, and the
// next step searches on from the second character of the decoded word. A marker found
// incomplete has no complete word behind it, and nothing behind it ever changes, so every
// marker from there on is incomplete too: "dead" is where that region starts, and no marker
// there is tried.
std::string DecodeEncodedWords(std::string_view value) {
    constexpr size_t None = std::string::npos;
    std::string h(value);
    size_t dead = None;
    size_t m = FindMarker(h, "ISO", 0, dead);
    if (m == None)
        m = FindMarker(h, "WINDOWS", 0, dead);
    for (int decoded = 0; m != None && decoded < MostWordsPerValue;) {
        const size_t q1 = h.find('?', m + 5);
        const size_t q2 = q1 == None ? None : h.find('?', q1 + 1);
        const size_t c = q2 == None ? None : h.find("?=", q2 + 1);
        if (c == None) {
            dead = m;
        } else {
            const std::string_view charset = std::string_view(h).substr(m + 2, q1 - (m + 2));
            const char encoding = h[q1 + 1];
            const std::string_view encoded = std::string_view(h).substr(q2 + 1, c - (q2 + 1));
            std::string word =
                (encoding == 'Q' || encoding == 'q') ? DecodeQ(encoded) : DecodeBase64(encoded);
            if (text::EqualsIgnoringCase(charset, "ISO-2022-JP"))
                word = JisToShiftJis(word);
            const size_t end = c + 2;
            if (dead != None)
                dead = dead >= end ? dead - (end - m) + word.size() : m + word.size();
            h.replace(m, end - m, word);
            ++decoded;
        }
        m = FindMarker(h, "ISO", m + 1, dead);
        if (m == None)
            m = FindMarker(h, "WINDOWS", 0, dead);
    }
    std::erase(h, '\0');
    return h;
}

} // namespace kestrel
