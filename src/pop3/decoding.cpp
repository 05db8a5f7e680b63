#include "pop3/decoding.h"

#include "net/exceptions.h"
#include "pop3/text_ops.h"

#include <algorithm>
#include <set>

namespace kestrel {

namespace {

using text::PosFrom;
using text::Upper;

// Decoded text may hold further markers, which are decoded in turn; this bounds the work.
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

// The first "=?WINDOWS" marker from the start that was not found incomplete before.
size_t NextWindowsMarker(const std::string& upper, const std::set<size_t>& incomplete) {
    for (size_t p = PosFrom("=?WINDOWS", upper, 1); p > 0; p = PosFrom("=?WINDOWS", upper, p + 1)) {
        if (!incomplete.contains(p))
            return p;
    }
    return 0;
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

std::string DecodeEncodedWords(std::string_view value) {
    std::string h(value);
    std::set<size_t> incomplete; // positions of windows markers already found incomplete
    std::string upper = Upper(h);
    size_t p = PosFrom("=?ISO", upper, 1);
    if (p == 0)
        p = NextWindowsMarker(upper, incomplete);
    for (int words = 0; p > 0 && words < MostWordsPerValue; ++words) {
        const size_t q1 = PosFrom("?", upper, p + 5);
        const size_t q2 = q1 > 0 ? PosFrom("?", upper, q1 + 1) : 0;
        const size_t c = q2 > 0 ? PosFrom("?=", upper, q2 + 1) : 0;
        if (q1 == 0 || q2 == 0 || c == 0) {
            if (upper.compare(p - 1, 9, "=?WINDOWS") == 0)
                incomplete.insert(p);
        } else {
            const std::string charset = text::Part(h, p + 2, q1 - 1);
            const char encoding = h[q1]; // the character at q1 + 1
            const std::string encoded = text::Part(h, q2 + 1, c - 1);
            std::string decoded =
                (encoding == 'Q' || encoding == 'q') ? DecodeQ(encoded) : DecodeBase64(encoded);
            if (text::EqualsIgnoringCase(charset, "ISO-2022-JP"))
                decoded = JisToShiftJis(decoded);
            h = h.substr(0, p - 1) + decoded + text::After(h, c + 1);
            upper = Upper(h);
            // Positions behind the word moved with it.
            std::set<size_t> moved;
            const long shift = static_cast<long>(decoded.size()) - static_cast<long>(c + 2 - p);
            for (size_t at : incomplete)
                moved.insert(at > c ? static_cast<size_t>(static_cast<long>(at) + shift) : at);
            incomplete = std::move(moved);
        }
        p = PosFrom("=?ISO", upper, p + 1);
        if (p == 0)
            p = NextWindowsMarker(upper, incomplete);
    }
    h.erase(std::remove(h.begin(), h.end(), '\0'), h.end());
    return h;
}

} // namespace kestrel
