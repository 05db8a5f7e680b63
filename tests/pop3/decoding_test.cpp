// Encoded words, with the RFC 2047 forms this client decodes and those it leaves alone.
#include "net/exceptions.h"
#include "pop3/decoding.h"

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
        {"=?UTF-8?B?SGFsbG8=?=", "=?UTF-8?B?SGFsbG8=?="},
        {"=?us-ascii?Q?Hallo?=", "=?us-ascii?Q?Hallo?="},
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
