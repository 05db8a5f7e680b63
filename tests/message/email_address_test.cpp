// Parsing and printing of e-mail addresses and address lists.
#include "message/email_address.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

struct AddressCase {
    std::string value, name, address, text;
};

TEST(AddressTest, ParseAndPrint) {
    const AddressCase rows[] = {
        {"Mail Desk <desk@a.b>", "Mail Desk", "desk@a.b", "Mail Desk <desk@a.b>"},
        {"\"Desk, Mail\" <desk@a.b>", "Desk, Mail", "desk@a.b", "\"Desk, Mail\" <desk@a.b>"},
        {"desk@a.b (Mail Desk)", "", "desk@a.b", "desk@a.b"},
        {"<desk@a.b>", "", "desk@a.b", "desk@a.b"},
        {"Mail  Desk <desk@a.b>", "Mail Desk", "desk@a.b", "Mail Desk <desk@a.b>"},
        {"Mail Desk desk@a.b", "Mail Desk ", "desk@a.b", "Mail Desk  <desk@a.b>"},
        {"Büro <desk@a.b>", "Büro", "desk@a.b", "\"Büro\" <desk@a.b>"},
        {"\"DESK@A.B\" <desk@a.b>", "DESK@A.B", "desk@a.b", "<desk@a.b>"},
        {"Support", "", "Support", ""},
        {"", "", "", ""},
        {"   ", "", "", ""},
        // An escaped quote ends a piece of the name, whose rest is then trimmed.
        {"\"Jo \\\"The Desk\\\" Doe\" <jo@a.b>", "Jo \"The Desk\"Doe", "jo@a.b",
         "\"Jo \\\"The Desk\\\"Doe\" <jo@a.b>"},
        {"Name <\"odd local\"@a.b>", "Name", "odd local@a.b", "Name <\"odd local\"@a.b>"},
        {"Name <>", "Name", "", "Name <>"},
    };
    for (const AddressCase& row : rows) {
        EmailAddress item;
        item.SetText(row.value);
        EXPECT_EQ(item.Name, row.name) << row.value;
        EXPECT_EQ(item.Address, row.address) << row.value;
        EXPECT_EQ(item.Text(), row.text) << row.value;
    }
}

TEST(AddressTest, AnAtAfterAClosedAddressIsAnError) {
    EmailAddress item;
    try {
        item.SetText("Desk <a@b.c> x@y.z");
        FAIL() << "no exception";
    } catch (const AddressParseError& e) {
        EXPECT_STREQ(e.what(), "@ Outside-Adresse");
    }
}

std::vector<std::string> Addresses(const std::string& value) {
    EmailAddressList list;
    ParseAddressList(value, list);
    std::vector<std::string> out;
    for (const auto& item : list)
        out.push_back(item.Address);
    return out;
}

TEST(AddressTest, Lists) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Addresses("desk@a.b, Mail Desk <desk@c.d>"), (V{"desk@a.b", "desk@c.d"}));
    EXPECT_EQ(Addresses("Friends: desk@a.b, desk@c.d;"), (V{"desk@a.b", "desk@c.d"}));
    EXPECT_EQ(Addresses("undisclosed-recipients:;"), V{});
    EXPECT_EQ(Addresses("desk@a.b, , desk@c.d"), (V{"desk@a.b", "desk@c.d"}));
    EXPECT_EQ(Addresses("\"Doe, Jo\" <jo@a.b>, x@y.z"), (V{"jo@a.b", "x@y.z"}));
    EXPECT_EQ(Addresses("jo@a.b (Jo, the desk), x@y.z"), (V{"jo@a.b", "x@y.z"}));
    EXPECT_EQ(Addresses("single@a.b"), V{"single@a.b"});
    EXPECT_EQ(Addresses("  "), V{});
}

TEST(AddressTest, AParseErrorEndsTheListAndKeepsWhatCameBefore) {
    EmailAddressList list;
    EXPECT_THROW(ParseAddressList("ok@a.b, Desk <a@b.c> x@y.z, late@a.b", list), AddressParseError);
    ASSERT_GE(list.size(), 1u);
    EXPECT_EQ(list[0].Address, "ok@a.b");
}

// Long values from folded headers: the parsers step through them without copying what is
// left, and come to the same result as on a short value of the same shape.
TEST(AddressTest, LongValuesParseLikeShortOnes) {
    const auto repeat = [](const std::string& piece, int times) {
        std::string all;
        for (int i = 0; i < times; ++i)
            all += piece;
        return all;
    };
    EmailAddress item;
    item.SetText(repeat("a ", 131072) + "x");
    EXPECT_EQ(item.Name, repeat("a ", 131072));
    item.SetText(repeat("Desk ", 100000) + "<d@a.b>");
    EXPECT_EQ(item.Address, "d@a.b");
    EXPECT_EQ(item.Text(), repeat("Desk ", 99999) + "Desk <d@a.b>");
    item.SetText("\"" + repeat("a.", 100000) + "\" <d@a.b>");
    EXPECT_EQ(item.Text(), "\"" + repeat("a.", 100000) + "\" <d@a.b>");
    EmailAddressList list;
    ParseAddressList(repeat("a@b.c, ", 100000) + "z@b.c", list);
    ASSERT_EQ(list.size(), 100001u);
    EXPECT_EQ(list.back().Address, "z@b.c");
    ParseAddressList(repeat(" ;", 100000) + "z@b.c", list);
    EXPECT_EQ(list.size(), 1u);
}

} // namespace
} // namespace kestrel
