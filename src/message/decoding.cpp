#include "message/decoding.h"

#include "text/charsets.h"
#include "text/conversion.h"
#include "text/text_ops.h"
#include "text/utf8.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace kestrel {

namespace {

// Decoded text may hold further markers, which are decoded in turn; this bounds the work. It
// counts the words decoded, not the markers passed over.
constexpr int MostWordsPerValue = 1000;

std::string DecodeQ(std::string_view e) {
    std::string out;
    for (size_t i = 0; i < e.size(); ++i) {
        if (e[i] == '_') {
            out += ' ';
        } else if (e[i] == '=' && i + 2 < e.size()) {
            const int high = text::HexDigit(e[i + 1]), low = text::HexDigit(e[i + 2]);
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

// A stretch of the text that the ISO and WINDOWS rules wrote; an empty one marks where they
// removed a word without writing anything. Kept sorted and apart.
struct Written {
    size_t begin, end;
};

// h[m, end) became replacement: the stretches it touched become one, those behind it move.
void NoteReplaced(std::vector<Written>& written, size_t m, size_t end, size_t replacement) {
    const auto first = std::ranges::find_if(written, [&](const Written& w) { return w.end >= m; });
    auto last = first;
    Written merged{m, m + replacement};
    // A position p at or behind end moves to p - shifted + replacement.
    const size_t shifted = end - m;
    for (; last != written.end() && last->begin <= end; ++last) {
        merged.begin = std::min(merged.begin, last->begin);
        if (last->end > end)
            merged.end = std::max(merged.end, last->end - shifted + replacement);
    }
    for (auto behind = last; behind != written.end(); ++behind) {
        behind->begin = behind->begin - shifted + replacement;
        behind->end = behind->end - shifted + replacement;
    }
    written.insert(written.erase(first, last), merged);
}

// True when no written stretch lies within h[a, b), so that those bytes stand in the value as
// the mail had them.
bool AsTheMailHadIt(const std::vector<Written>& written, size_t a, size_t b) {
    const auto next =
        std::ranges::partition_point(written, [&](const Written& w) { return w.end <= a; });
    return next == written.end() || next->begin >= b;
}

// Q without the leniency of the ISO rules: a bad escape makes no word.
std::optional<std::string> StrictQ(std::string_view e) {
    std::string out;
    for (size_t i = 0; i < e.size(); ++i) {
        if (e[i] == '_') {
            out += ' ';
        } else if (e[i] == '=') {
            if (i + 2 >= e.size())
                return std::nullopt;
            const int high = text::HexDigit(e[i + 1]), low = text::HexDigit(e[i + 2]);
            if (high < 0 || low < 0)
                return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += e[i];
        }
    }
    return out;
}

// Base64 up to the padding; a character outside the alphabet makes no word.
std::optional<std::string> StrictBase64(std::string_view e) {
    std::string out;
    unsigned bits = 0;
    int count = 0;
    for (char ch : e.substr(0, e.find('='))) {
        const bool letter = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
                            (ch >= '0' && ch <= '9') || ch == '+' || ch == '/';
        if (!letter)
            return std::nullopt;
        bits = (bits << 6 | static_cast<unsigned>(Base64Value(ch))) & 0xFFFFFF;
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

// The characters of a character set's name: RFC 2047's token, no blank, control or separator.
bool TokenCharacter(char c) {
    return c > ' ' && c < 0x7F &&
           std::string_view("()<>@,;:\\\"/[]?.=").find(c) == std::string_view::npos;
}

constexpr size_t LongestCharsetName = 40;

// One encoded word in RFC 2047's own form, "=?charset?B?text?=" or with Q, at h[at].
struct Word {
    size_t begin, end;
    std::string_view charset; // without a language after "*"
    std::string bytes;
};

std::optional<Word> WordAt(std::string_view h, size_t at) {
    size_t i = at + 2;
    while (i < h.size() && i - (at + 2) <= LongestCharsetName && TokenCharacter(h[i]))
        ++i;
    if (i == at + 2 || i - (at + 2) > LongestCharsetName || i + 3 > h.size() || h[i] != '?' ||
        h[i + 2] != '?')
        return std::nullopt;
    const std::string_view named = h.substr(at + 2, i - (at + 2));
    const std::string_view charset = named.substr(0, named.find('*'));
    const char encoding = h[i + 1];
    const size_t text = i + 3;
    size_t close = text;
    while (close < h.size() && h[close] > ' ' && h[close] < 0x7F && h[close] != '?')
        ++close;
    if (charset.empty() || close + 1 >= h.size() || h[close] != '?' || h[close + 1] != '=')
        return std::nullopt;
    const std::string_view encoded = h.substr(text, close - text);
    std::optional<std::string> bytes;
    if (encoding == 'Q' || encoding == 'q')
        bytes = StrictQ(encoded);
    else if (encoding == 'B' || encoding == 'b')
        bytes = StrictBase64(encoded);
    if (!bytes)
        return std::nullopt;
    return Word{at, close + 2, charset, std::move(*bytes)};
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view start) {
    return text::EqualsIgnoringCase(text.substr(0, start.size()), start);
}

// A word's bytes as UTF-8; nothing when no one converts its character set. ISO-8859-1 and
// Windows-1252 are the core's own, so both platforms show them alike.
std::optional<std::string> ToUtf8(std::string_view named, std::string_view bytes) {
    const std::string_view charset = named.substr(0, named.find('*'));
    if (text::EqualsIgnoringCase(charset, "UTF-8") || text::EqualsIgnoringCase(charset, "UTF8")) {
        std::string out;
        for (size_t i = 0; i < bytes.size(); i += Utf8At(bytes, i).length)
            AppendUtf8(out, Utf8At(bytes, i).c);
        return out;
    }
    if (text::EqualsIgnoringCase(charset, "ISO-8859-1") ||
        text::EqualsIgnoringCase(charset, "WINDOWS-1252"))
        return Utf8OfCp1252(bytes);
    if (text::EqualsIgnoringCase(charset, "ISO-2022-JP")) {
        if (const auto unicode = CharsetToUnicode("Shift_JIS", JisToShiftJis(bytes)))
            return Utf8Of(*unicode);
        return std::nullopt;
    }
    if (const std::optional<std::u32string> unicode = CharsetToUnicode(charset, bytes))
        return Utf8Of(*unicode);
    return std::nullopt;
}

// Converting never takes more than three bytes for one: no value grows beyond this, also
// where decoded text holds further words to decode.
constexpr size_t MostGrowth = 3;

bool OnlyBlanks(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
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

namespace {

// The ISO and WINDOWS rules, which decode the words of character sets beginning so where they
// stand. The marker search of each step is the same as on an upper-cased copy of
// the text, and the next step searches on from the second character of the decoded word. A
// marker found incomplete has no complete word behind it, and nothing behind it ever changes, so
// every marker from there on is incomplete too: "dead" is where that region starts, and no
// marker there is tried. What they write is noted.
std::string DecodeIsoAndWindowsWords(std::string_view value, size_t longest,
                                     std::vector<Written>& written) {
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
            const std::string bytes =
                (encoding == 'Q' || encoding == 'q') ? DecodeQ(encoded) : DecodeBase64(encoded);
            const std::string word = ToUtf8(charset, bytes).value_or(Utf8OrCp1252(bytes));
            const size_t end = c + 2;
            if (h.size() - (end - m) + word.size() > longest)
                break;
            if (dead != None)
                dead = dead >= end ? dead - (end - m) + word.size() : m + word.size();
            NoteReplaced(written, m, end, word.size());
            h.replace(m, end - m, word);
            ++decoded;
        }
        m = FindMarker(h, "ISO", m + 1, dead);
        if (m == None)
            m = FindMarker(h, "WINDOWS", 0, dead);
    }
    return h;
}

// The words of every other character set, where they stand as the mail had them, become
// UTF-8. Adjacent words lose the blanks between them (RFC 2047, 6.2), and a run of
// adjacent words of one set is converted as one text: mailers split a character between two
// words. A word no one converts stays as it is, and so does a run whose text would come out
// longer than the run. Decoded text is not searched again.
std::string DecodeOtherWords(std::string_view h, const std::vector<Written>& written) {
    std::string out;
    size_t copied = 0;  // h up to here is dealt with
    bool after = false; // out ends with a decoded run, and h at copied goes on behind it
    int conversions = 0;
    size_t at = h.find("=?");
    while (at != std::string_view::npos && conversions < MostWordsPerValue) {
        std::optional<Word> word = WordAt(h, at);
        if (!word || StartsWithIgnoringCase(word->charset, "ISO") ||
            StartsWithIgnoringCase(word->charset, "WINDOWS") ||
            !AsTheMailHadIt(written, word->begin, word->end)) {
            at = h.find("=?", at + 1);
            continue;
        }
        // The run: words of the same set, with only blanks between them.
        std::string bytes = std::move(word->bytes);
        size_t end = word->end;
        for (;;) {
            const size_t next = h.find_first_not_of(" \t", end);
            if (next == std::string_view::npos || h.compare(next, 2, "=?") != 0)
                break;
            std::optional<Word> more = WordAt(h, next);
            if (!more || !text::EqualsIgnoringCase(more->charset, word->charset) ||
                !AsTheMailHadIt(written, end, more->end))
                break;
            bytes += more->bytes;
            end = more->end;
        }
        ++conversions;
        std::optional<std::string> shown = ToUtf8(word->charset, bytes);
        if (!shown || shown->size() > MostGrowth * (end - word->begin)) {
            at = h.find("=?", end); // no word of the run fares better alone
            continue;
        }
        const std::string_view between = h.substr(copied, word->begin - copied);
        if (!(after && OnlyBlanks(between) && AsTheMailHadIt(written, copied, word->begin)))
            out += between;
        out += *shown;
        copied = end;
        after = true;
        at = h.find("=?", end);
    }
    out += h.substr(copied);
    return out;
}

} // namespace

std::string DecodeEncodedWords(std::string_view value) {
    std::vector<Written> written;
    const size_t longest = MostGrowth * value.size();
    std::string h =
        DecodeOtherWords(DecodeIsoAndWindowsWords(Utf8OrCp1252(value), longest, written), written);
    std::erase(h, '\0');
    // Only decoded text that held further words can come here; it ends at a whole character.
    if (h.size() > longest)
        h = CutText(h, std::string::npos, longest);
    return h;
}

} // namespace kestrel
