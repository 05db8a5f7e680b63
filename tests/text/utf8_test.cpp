// UTF-8 as the core cuts, isolates and converts it.
#include "text/utf8.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

// A cut keeps whole characters: with their marks, modifiers and joined parts, within a count,
// a byte bound and a bound of UTF-16 units.
TEST(Utf8Test, CutsKeepWholeCharacters) {
    constexpr size_t All = std::string::npos;
    struct Row {
        std::string text;
        size_t count, bytes, units;
        std::string kept;
    };
    const Row rows[] = {
        {"Grüße", 3, All, All, "Grü"},
        {"Grüße", All, 3, All, "Gr"},            // ü takes two bytes
        {"Привет", 2, All, All, "Пр"},
        {"e\u0301te\u0301", 1, All, All, "e\u0301"}, // a combining accent stays
        {"👍🏽x", 1, All, All, "👍🏽"},               // a skin tone stays
        {"👩‍💻x", 1, All, All, "👩‍💻"},               // a joined emoji is one
        {"🇩🇪🇫🇷", 1, All, All, "🇩🇪"},               // a flag is two indicators
        {"ab😀", All, All, 3, "ab"},              // beyond 16 bits: two units
        {"ab😀", All, All, 4, "ab😀"},
        {"日本語", All, 7, All, "日本"},
        {"a\xFF" "b", 2, All, All, "a\xFF"},      // a bad byte is a character of its own
    };
    for (const Row& row : rows)
        EXPECT_EQ(CutText(row.text, row.count, row.bytes, row.units), row.kept) << row.text;
    EXPECT_EQ(GroupCount("👩‍💻 e\u0301"), 3u);
}

TEST(Utf8Test, RightToLeftTextIsIsolated) {
    const std::pair<std::string, std::string> rows[] = {
        {"Hello", "Hello"},
        {"Grüße 日本", "Grüße 日本"},
        {"שלום", "\u2068שלום\u2069"},
        {"Re: مرحبا", "\u2068Re: مرحبا\u2069"},
        {"a\u202Eb", "\u2068a\u202Eb\u2069"}, // an override that would run on
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(IsolatedDirection(in), out) << in;
}

TEST(Utf8Test, EveryCp1252ByteCrossesBothWays) {
    std::string bytes;
    for (int b = 1; b < 256; ++b)
        bytes += static_cast<char>(b);
    const std::string utf8 = Utf8OfCp1252(bytes);
    EXPECT_TRUE(IsUtf8(utf8));
    bool fits = false;
    EXPECT_EQ(Cp1252Of(utf8, &fits), bytes);
    EXPECT_TRUE(fits);
    EXPECT_EQ(Cp1252Of("Ж€", &fits), "?\x80");
    EXPECT_FALSE(fits);
    EXPECT_EQ(Utf8OrCp1252("K\xF6ln"), "Köln");
    EXPECT_EQ(Utf8OrCp1252("Köln"), "Köln");
}

} // namespace
} // namespace kestrel
