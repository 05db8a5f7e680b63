// Character sets on Windows: MultiByteToWideChar. Windows turns no name into a code page without
// COM, so the names mails use are listed here; a set that is missing stays undecoded. The core
// makes UTF-8 of the UTF-16 text.
#include "text/charsets.h"

#include <windows.h>

#include <climits>

namespace kestrel {

namespace {

struct Named {
    const char* name;
    UINT page;
};

// UTF-8, ISO-8859-1 and Windows-1252 never come here: the core decodes those itself.
constexpr Named CodePages[] = {
    {"iso-8859-2", 28592},  {"iso-8859-3", 28593},   {"iso-8859-4", 28594},   {"iso-8859-5", 28595},
    {"iso-8859-6", 28596},  {"iso-8859-7", 28597},   {"iso-8859-8", 28598},   {"iso-8859-8-i", 38598},
    {"iso-8859-9", 28599},  {"iso-8859-13", 28603},  {"iso-8859-15", 28605},  {"windows-1250", 1250},
    {"windows-1251", 1251}, {"windows-1253", 1253},  {"windows-1254", 1254},  {"windows-1255", 1255},
    {"windows-1256", 1256}, {"windows-1257", 1257},  {"windows-1258", 1258},  {"windows-874", 874},
    {"us-ascii", 20127},   {"ascii", 20127},        {"utf-7", 65000},    {"koi8-r", 20866},
    {"koi8-u", 21866},     {"shift_jis", 932},      {"shift-jis", 932},  {"sjis", 932},
    {"x-sjis", 932},       {"cp932", 932},          {"euc-jp", 20932},   {"gb2312", 936},
    {"gbk", 936},          {"cp936", 936},          {"euc-cn", 936},     {"gb18030", 54936},
    {"hz-gb-2312", 52936}, {"big5", 950},           {"big5-hkscs", 950}, {"cp950", 950},
    {"euc-kr", 949},       {"ks_c_5601-1987", 949}, {"cp949", 949},      {"tis-620", 874},
    {"cp874", 874},        {"cp1250", 1250},        {"cp1251", 1251},    {"cp1252", 1252},
    {"cp1253", 1253},      {"cp1254", 1254},        {"cp1255", 1255},    {"cp1256", 1256},
    {"cp1257", 1257},      {"cp1258", 1258},        {"cp437", 437},      {"ibm437", 437},
    {"cp850", 850},        {"ibm850", 850},         {"cp852", 852},      {"cp866", 866},
    {"ibm866", 866},       {"latin1", 28591},       {"latin2", 28592},   {"macintosh", 10000},
};

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

UINT CodePageOf(std::string_view charset) {
    for (const Named& named : CodePages) {
        const std::string_view name = named.name;
        bool same = name.size() == charset.size();
        for (size_t i = 0; same && i < name.size(); ++i)
            same = Lower(charset[i]) == name[i];
        if (same)
            return named.page;
    }
    return 0;
}

} // namespace

std::optional<std::u32string> CharsetToUnicode(std::string_view charset, std::string_view bytes) {
    const UINT page = CodePageOf(charset);
    if (page == 0 || !IsValidCodePage(page) || bytes.size() > INT_MAX / 2)
        return std::nullopt;
    if (bytes.empty())
        return std::u32string();
    const int size = static_cast<int>(bytes.size());
    const int length = MultiByteToWideChar(page, 0, bytes.data(), size, nullptr, 0);
    if (length <= 0)
        return std::nullopt;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(page, 0, bytes.data(), size, wide.data(), length);
    std::u32string text;
    for (size_t i = 0; i < wide.size(); ++i) {
        const char32_t c = static_cast<char16_t>(wide[i]);
        const char32_t low = i + 1 < wide.size() ? static_cast<char16_t>(wide[i + 1]) : 0;
        if (c >= 0xD800 && c < 0xDC00 && low >= 0xDC00 && low < 0xE000) {
            text += 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else {
            text += c >= 0xD800 && c < 0xE000 ? U'\uFFFD' : c;
        }
    }
    return text;
}

} // namespace kestrel
