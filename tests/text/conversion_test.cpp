// The integer conversions over one reader of digits: the strict one of the transport and POP3,
// the lenient one of the settings header, and the bare digits of protocol fields.
#include "text/conversion.h"

#include <gtest/gtest.h>

#include <optional>

namespace kestrel {
namespace {

constexpr std::optional<int32_t> Nothing = std::nullopt;

struct Row {
    const char* text;
    std::optional<int32_t> strict; // TryStrToInt
    int32_t lenient;               // LeadingInteger
};

TEST(ConversionTest, StrictAndLenientReadingsOfTheEdgeTexts) {
    const Row rows[] = {
        {"", Nothing, 0},
        {" ", Nothing, 0},
        {"-", Nothing, 0},
        {"+", Nothing, 0},
        {"0", 0, 0},
        {"-0", 0, 0},
        {"42", 42, 42},
        {"  42", 42, 42},
        {"+42", 42, 42},
        {"-42", -42, -42},
        {"42 ", Nothing, 42},
        {" 4 2", Nothing, 4},
        {"+-42", Nothing, 0},
        {"--42", Nothing, 0},
        {"\t42", Nothing, 0},
        {"42x", Nothing, 42},
        {"x42", Nothing, 0},
        {"12,", Nothing, 12},
        {"1.5", Nothing, 1},
        {"000000000000000000007", 7, 7},
        {"2147483647", 2147483647, 2147483647},
        {"2147483648", Nothing, INT32_MIN},
        {"-2147483648", INT32_MIN, INT32_MIN},
        {"-2147483649", Nothing, 2147483647},
        {"4294967295", Nothing, -1},
        {"4294967296", Nothing, 0},
        {"4294967297", Nothing, 1},
        {"99999999999999999999", Nothing, 1661992959},
        {"$", Nothing, 0},
        {"$ff", 255, 0},
        {"$FF", 255, 0},
        {"-$1", -1, 0},
        {"$7FFFFFFF", 2147483647, 0},
        {"$FFFFFFFF", -1, 0},
        {"-$80000000", INT32_MIN, 0},
        {"$100000000", Nothing, 0},
        {"0x", Nothing, 0},
        {"0x1F", 31, 0},
        {"0X1f", 31, 0},
        {"0xg", Nothing, 0},
        {"00x10", Nothing, 0},
        {"0x0000000000000000000001", 1, 0},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(TryStrToInt(row.text), row.strict) << '"' << row.text << '"';
        EXPECT_EQ(LeadingInteger(row.text), row.lenient) << '"' << row.text << '"';
    }
}

// Nothing but digits, within the type: the edges of 16 and 64 bits, and what is no number.
TEST(ConversionTest, BareDigitsWithinTheirType) {
    EXPECT_EQ(DecimalOf<uint16_t>("65535"), 65535);
    EXPECT_EQ(DecimalOf<uint16_t>("00065535"), 65535);
    EXPECT_EQ(DecimalOf<uint16_t>("65536"), std::nullopt);
    EXPECT_EQ(DecimalOf<uint64_t>("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(DecimalOf<uint64_t>("18446744073709551616"), std::nullopt);
    EXPECT_EQ(DecimalOf<uint64_t>("184467440737095516150"), std::nullopt) << "wraps to below";
    EXPECT_EQ(DecimalOf<int32_t>("2147483648"), std::nullopt);
    for (const char* none : {"", "+1", "-1", " 1", "1 ", "1a", "0x1"})
        EXPECT_EQ(DecimalOf<uint32_t>(none), std::nullopt) << '"' << none << '"';
}

} // namespace
} // namespace kestrel
