// Encoded words, with the RFC 2047 forms this client decodes and those it leaves alone.
#include "message/decoding.h"
#include "text/conversion.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(DecodingTest, EncodedWords) {
    const std::pair<std::string, std::string> rows[] = {
        {"=?iso-8859-1?q?Gr=FC=DFe_an_alle?=", "Gr\xFC\xDF"
                                               "e an alle"},
        {"=?ISO-8859-1?B?SGFsbG8=?=", "Hallo"},
        {"=?ISO-8859-1?B?SGFsbG8?=", "Hallo"}, // without the fill character
        {"=?ISO-8859-1?B?QUJD?= =?ISO-8859-1?B?REVG?=", "ABC DEF"},
        {"=?ISO-8859-1?B?QUJD?==?ISO-8859-1?B?REVG?=", "ABCDEF"}, // adjacent words
        {"=?x-unknown?Q?Hallo?=", "=?x-unknown?Q?Hallo?="},       // a set nobody converts
        {"=?windows-1252?Q?a=3Db?=", "a=b"},
        {"=?ISO-8859-1?Q?=4?=", "=4"},
        {"=?ISO-8859-1?Q?"
         "?=",
         ""}, // split: "??=" would be a trigraph
        {"Re: =?windows problem", "Re: =?windows problem"},
        {"Re: =?ISO-8859-1?Q?x?= and =?ISO-8859-1?Q", "Re: x and =?ISO-8859-1?Q"},
        {"=?windows-1252?Q?ok?= =?windows-1252?B", "ok =?windows-1252?B"},
        {"[=?ISO-8859-15?Q?=A4uro?=]", "[\xA4uro]"},
        {"=?ISO-8859-1?X?QUJD?=", "ABC"}, // any letter but Q is base64
        {"plain subject", "plain subject"},
        {"", ""},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(DecodeEncodedWords(in), out) << in;
}

// Words of other character sets become the list's code page, Windows-1252: UTF-8 by the core's
// own table, the rest through the platform. Adjacent ones lose the blanks between them, and a run
// of one set is converted as a whole, so a character may be split between two words.
TEST(DecodingTest, OtherCharacterSetsBecomeTheListsCodePage) {
    const std::pair<std::string, std::string> rows[] = {
        {"=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=", "Gr\xFC\xDF"
                                                 "e aus K\xF6ln"},
        {"=?utf-8?q?Gr=C3=BC=C3=9Fe?=", "Gr\xFC\xDF"
                                        "e"},
        {"=?utf8?Q?=E2=82=AC_5,_=E2=80=9Equote=E2=80=9C?=", "\x80 5, \x84quote\x93"},
        {"=?UTF-8?Q?=C2=A0=C3=BF=C2=80?=", "\xA0\xFF?"}, // U+0080 is no character of 1252
        {"=?UTF-8?B?5pel5pys?= =?UTF-8?Q?=D0=9F=D1=80=D0=B8!?=",
         "????"
         "?!"},                              // CJK, Cyrillic; "??!" would be a trigraph
        {"=?UTF-8?Q?=F0=9F=98=80_?=", "? "}, // beyond 16 bits
        {"=?UTF-8?Q?K=C3?= =?UTF-8?Q?=B6ln?=", "K\xF6ln"},
        {"=?UTF-8?B?R3LD?=\t=?utf-8?B?vA==?=", "Gr\xFC"},
        {"=?UTF-8?Q?a=FFb=C3?=", "a?b?"},                   // a '?' for each bad byte
        {"=?UTF-8?Q?=C0=AF=ED=A0=80=E2=82x?=", "???????x"}, // overlong, surrogate, cut off
        {"=?UTF-8*de?Q?=C3=BC?=", "\xFC"},                  // a language after the set
        {"=?us-ascii?Q?Hallo?=", "Hallo"},
        {"=?KOI8-R?Q?=9C_=C1?= =?UTF-8?Q?x?=", "\xB0 ?x"},
        {"=?ISO-8859-1?Q?Gr=FC=DFe?= =?UTF-8?Q?aus_K=C3=B6ln?=", "Gr\xFC\xDF"
                                                                 "e aus K\xF6ln"},
        {"=?UTF-8?Q?=ZZ?= =?UTF-8?Q?a b?= =?x-unknown?Q?c?=", // no words: left as they are
         "=?UTF-8?Q?=ZZ?= =?UTF-8?Q?a b?= =?x-unknown?Q?c?="},
        // The ISO and WINDOWS words go first, and what they decode to is not looked at again.
        {"=?ISO-8859-1?Q?=3D=3FUTF-8=3FQ=3Fy=3F=3D?=", "=?UTF-8?Q?y?="},
        {"=?UTF-8?Q?a=00b?=", "ab"},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(DecodeEncodedWords(in), out) << in;
}

TEST(DecodingTest, ZeroBytesAreRemoved) {
    EXPECT_EQ(DecodeEncodedWords("=?ISO-8859-1?Q?a=00b?="), "ab");
}

TEST(DecodingTest, ABadQEscapeRaisesTheConversionError) {
    EXPECT_THROW(DecodeEncodedWords("=?ISO-8859-1?Q?=ZZ?="), ConvertError);
}

TEST(DecodingTest, OneValueDecodesAtMostAThousandWords) {
    std::string many;
    for (int i = 0; i < 1200; ++i)
        many += "=?ISO-8859-1?Q?a?=";
    const std::string decoded = DecodeEncodedWords(many);
    EXPECT_EQ(decoded.substr(0, 1000), std::string(1000, 'a'));
    EXPECT_EQ(decoded.substr(1000, 18), "=?ISO-8859-1?Q?a?=");
}

// The bound counts the words decoded: markers that start no word do not use it up, and the
// WINDOWS word, looked for only once no ISO marker is left, is still decoded.
TEST(DecodingTest, MarkersThatStartNoWordDoNotCount) {
    std::string markers;
    for (int i = 0; i < 1500; ++i)
        markers += " =?ISO";
    EXPECT_EQ(DecodeEncodedWords("=?WINDOWS-1252?Q?a?=" + markers), "a" + markers);
    EXPECT_EQ(DecodeEncodedWords("=?ISO-8859-1?Q?b?=" + markers), "b" + markers);
}

TEST(DecodingTest, JisBecomesShiftJis) {
    // "nihongo" in ISO-2022-JP: ESC $ B, three double-byte characters, ESC ( B.
    const std::string jis = "\x1B$B\x46\x7C\x4B\x5C\x38\x6C\x1B(Bok";
    EXPECT_EQ(JisToShiftJis(jis), "\x93\xFA\x96\x7B\x8C\xEA"
                                  "ok");
    EXPECT_EQ(JisToShiftJis("\x1B$B\x46"), "") << "a last byte without a partner";
    EXPECT_EQ(JisToShiftJis("a\x1B"), "a") << "an escape with nothing after it";
    EXPECT_EQ(DecodeEncodedWords("=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?="), "\x93\xFA\x96\x7B\x8C\xEA");
}

} // namespace
} // namespace kestrel
