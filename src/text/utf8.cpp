#include "text/utf8.h"

#include "text/cp1252.h"

#include <algorithm>

namespace kestrel {

namespace {

struct Range {
    char32_t first, last;
};

bool In(char32_t c, std::initializer_list<Range> ranges) {
    return std::ranges::any_of(ranges, [c](Range r) { return c >= r.first && c <= r.last; });
}

// Characters that belong to the one before them. Not all of Unicode's extenders: the marks of
// the scripts a mail list meets, and what emoji are built of.
bool Extends(char32_t c) {
    return In(c, {{0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF},
                  {0x05C1, 0x05C2}, {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A},
                  {0x064B, 0x065F}, {0x0670, 0x0670}, {0x06D6, 0x06DC}, {0x06DF, 0x06E4},
                  {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0900, 0x0903}, {0x093A, 0x094F},
                  {0x0951, 0x0957}, {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E},
                  {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200C, 0x200D}, {0x20D0, 0x20FF},
                  {0x3099, 0x309A}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}, {0x1F3FB, 0x1F3FF},
                  {0xE0020, 0xE007F}, {0xE0100, 0xE01EF}});
}

bool RegionalIndicator(char32_t c) {
    return c >= 0x1F1E6 && c <= 0x1F1FF;
}

bool RightToLeft(char32_t c) {
    return In(c, {{0x0590, 0x08FF}, {0xFB1D, 0xFDFF}, {0xFE70, 0xFEFF}, {0x10800, 0x10FFF},
                  {0x1E800, 0x1EFFF}});
}

bool DirectionalControl(char32_t c) {
    return In(c, {{0x061C, 0x061C}, {0x200E, 0x200F}, {0x202A, 0x202E}, {0x2066, 0x2069}});
}

size_t Utf16Units(char32_t c) {
    return c >= 0x10000 ? 2 : 1;
}

} // namespace

Utf8Step Utf8At(std::string_view text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    char32_t c = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead < 0x80) {
        return {lead, 1};
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, c = lead & 0x0F;
        low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, c = lead & 0x07;
        low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    bool whole = length > 0 && at + length <= text.size();
    for (size_t k = 1; whole && k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        whole = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
        c = c << 6 | (next & 0x3F);
    }
    return whole ? Utf8Step{c, length} : Utf8Step{U'\uFFFD', 1};
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        c = U'\uFFFD';
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string Utf8Of(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(out, c);
    return out;
}

bool IsUtf8(std::string_view bytes) {
    for (size_t i = 0; i < bytes.size();) {
        const Utf8Step step = Utf8At(bytes, i);
        if (step.c == U'\uFFFD' && step.length == 1)
            return false;
        i += step.length;
    }
    return true;
}

bool IsAscii(std::string_view bytes) {
    return std::ranges::all_of(bytes, [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string Utf8OfCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char byte : bytes)
        AppendUtf8(out, Cp1252Char(static_cast<unsigned char>(byte)));
    return out;
}

std::string Utf8OrCp1252(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : Utf8OfCp1252(bytes);
}

std::string Cp1252Of(std::string_view utf8, bool* fits) {
    std::string out;
    bool all = true;
    for (size_t i = 0; i < utf8.size();) {
        const Utf8Step step = Utf8At(utf8, i);
        const char byte = Cp1252Byte(step.c);
        all = all && (byte != '?' || step.c == U'?');
        out += byte;
        i += step.length;
    }
    if (fits)
        *fits = all;
    return out;
}

size_t GroupEnd(std::string_view text, size_t at) {
    if (at >= text.size())
        return text.size();
    const Utf8Step first = Utf8At(text, at);
    size_t end = at + first.length;
    bool joined = false;
    if (RegionalIndicator(first.c) && end < text.size() && RegionalIndicator(Utf8At(text, end).c))
        return end + Utf8At(text, end).length;
    while (end < text.size()) {
        const Utf8Step next = Utf8At(text, end);
        if (!joined && !Extends(next.c))
            break;
        joined = next.c == 0x200D;
        end += next.length;
    }
    return end;
}

std::string CutText(std::string_view text, size_t count, size_t maxBytes, size_t maxUnits) {
    size_t end = 0, units = 0;
    for (size_t groups = 0; groups < count && end < text.size(); ++groups) {
        const size_t next = GroupEnd(text, end);
        size_t groupUnits = 0;
        for (size_t i = end; i < next; i += Utf8At(text, i).length)
            groupUnits += Utf16Units(Utf8At(text, i).c);
        if (next > maxBytes || (maxUnits != std::string::npos && units + groupUnits > maxUnits))
            break;
        units += groupUnits;
        end = next;
    }
    return std::string(text.substr(0, end));
}

size_t GroupCount(std::string_view text) {
    size_t count = 0;
    for (size_t at = 0; at < text.size(); at = GroupEnd(text, at))
        ++count;
    return count;
}

std::string IsolatedDirection(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const Utf8Step step = Utf8At(text, i);
        if (RightToLeft(step.c) || DirectionalControl(step.c))
            return "\u2068" + std::string(text) + "\u2069";
        i += step.length;
    }
    return std::string(text);
}

} // namespace kestrel
