// Encoded words, with the RFC 2047 forms this client decodes and those it leaves alone.
#include "message/decoding.h"
#include "text/conversion.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

TEST(DecodingTest, EncodedWords) {
    const std::pair<std::string, std::string> rows[] = {
        {"=?iso-8859-1?q?Gr=FC=DFe_an_alle?=", "Grüße an alle"},
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
        {"[=?ISO-8859-15?Q?=A4uro?=]", "[€uro]"},
        {"=?ISO-8859-1?X?QUJD?=", "ABC"}, // any letter but Q is base64
        {"=?ISO-x-none?Q?=FC?=", "ü"},    // a set nobody converts: its bytes, read as the value's
        {"plain subject", "plain subject"},
        {"Gr\xC3\xBC\xC3\x9F raw", "Grüß raw"}, // 8-bit bytes: UTF-8 where they are that
        {"Gr\xFC\xDF raw \x80", "Grüß raw €"},   // else Windows-1252
        {"", ""},
    };
    for (const auto& [in, out] : rows)
        EXPECT_EQ(DecodeEncodedWords(in), out) << in;
}

// Every word becomes UTF-8: UTF-8, ISO-8859-1 and Windows-1252 by the core, the rest through
// the platform. Adjacent ones lose the blanks between them, and a run of one set is converted as
// a whole, so a character may be split between two words.
TEST(DecodingTest, EveryCharacterSetBecomesUtf8) {
    const std::pair<std::string, std::string> rows[] = {
        {"=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=", "Grüße aus Köln"},
        {"=?utf8?Q?=E2=82=AC_5,_=E2=80=9Equote=E2=80=9C?=", "€ 5, „quote“"},
        {"=?UTF-8?Q?=C2=A0=C3=BF=C2=80?=", "\u00A0ÿ\u0080"},
        {"=?UTF-8?B?5pel5pys?= =?UTF-8?Q?=D0=9F=D1=80=D0=B8!?=", "日本При!"},
        {"=?UTF-8?B?8J+RjfCfj70g8J+RqeKAjfCfkrsgR3LDvMOfZQ==?=", "👍🏽 👩‍💻 Grüße"},
        {"=?UTF-8?Q?K=C3?= =?UTF-8?Q?=B6ln?=", "Köln"},
        {"=?UTF-8?B?R3LD?=\t=?utf-8?B?vA==?=", "Grü"},
        {"=?UTF-8?Q?a=FFb=C3?=", "a\uFFFDb\uFFFD"}, // one replacement for each bad byte
        {"=?UTF-8?Q?=C0=AF=ED=A0=80=E2=82x?=", // overlong, surrogate, cut off
         "\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFDx"},
        {"=?UTF-8*de?Q?=C3=BC?=", "ü"}, // a language after the set
        {"=?us-ascii?Q?Hallo?=", "Hallo"},
        {"=?KOI8-R?Q?=9C_=C1?= =?UTF-8?Q?x?=", "° аx"},
        {"=?ISO-8859-1?Q?Gr=FC=DFe?= =?UTF-8?Q?aus_K=C3=B6ln?=", "Grüße aus Köln"},
        {"=?ISO-8859-5?B?v+DY0tXi?=", "Привет"},
        {"=?KOI8-R?B?896j1A==?=", "Счёт"},
        {"=?ISO-8859-7?B?w+Xp3CDz7/U=?=", "Γειά σου"},
        {"=?WINDOWS-1256?B?49HNyMc=?=", "مرحبا"},
        {"=?ISO-8859-8?B?+ezl7Q==?=", "שלום"},
        {"=?SHIFT_JIS?B?k/qWe4zqgsyDgYFbg4s=?=", "日本語のメール"},
        {"=?ISO-2022-JP?B?GyRCRnxLXDhsGyhC?=", "日本語"},
        {"=?GB2312?B?xOO6w8rAvec=?=", "你好世界"},
        {"=?GBK?B?6Ua7+Q==?=", "镕基"},
        {"=?BIG5?B?u0/GV7ZspfM=?=", "臺灣郵件"},
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
}

} // namespace
} // namespace kestrel
