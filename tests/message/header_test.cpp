// The header list and the fields a message takes from it.
#include "message/mail_message.h"

#include <gtest/gtest.h>

namespace kestrel {
namespace {

MailMessage Parsed(std::vector<std::string> lines) {
    MailMessage message;
    for (auto& line : lines)
        message.HeaderLines.Add(std::move(line));
    message.ApplyHeaderFields();
    return message;
}

TEST(HeaderListTest, LookupsIgnoreCaseUnfoldAndTakeTheFirst) {
    HeaderList h;
    for (const char* line : {"subject: first\t", "\tsecond part", "  third", "Subject: later",
                             "No colon here", "From : spaced", "X-Empty:"})
        h.Add(line);
    EXPECT_EQ(h.ValueOf("Subject"), "first second part third");
    EXPECT_EQ(h.LineOfName("SUBJECT"), 0);
    EXPECT_EQ(h.NameAt(0), "SUBJECT");
    EXPECT_EQ(h.NameAt(4), "") << "a line without a colon has no name";
    EXPECT_EQ(h.LineOfName("From"), -1) << "a blank before the colon is part of the name";
    EXPECT_EQ(h.ValueOf("X-Empty"), "");
    EXPECT_EQ(h.ValueOf("Missing"), "");
    EXPECT_EQ(h.ValueAt(-1), "");
    EXPECT_EQ(h.ValueAt(99), "");
    EXPECT_EQ(h.Lines[0], "subject: first\t") << "stored as received";
}

TEST(MessageTest, FieldsFromTheHeader) {
    const MailMessage m = Parsed({
        "From: =?ISO-8859-1?Q?J=F6rg_M=FCller?= <joerg@a.b>",
        "Subject: =?iso-8859-1?q?Gr=FC=DFe?= aus Bonn",
        "To: a@b.c, \"D, E\" <d@e.f>",
        "Content-Type: text/plain; charset=\"iso-8859-1\"; format=flowed",
        "Message-Id: <1@a.b>",
        "X-Priority: 1 (Highest)",
        "Date: Mon, 07 Dec 2026 16:42:00 +0000",
        "Newsgroups: de.test, de.etc",
    });
    EXPECT_EQ(m.From.Name, "Jörg Müller");
    EXPECT_EQ(m.From.Text(), "\"Jörg Müller\" <joerg@a.b>");
    EXPECT_EQ(m.Subject, "Grüße aus Bonn");
    ASSERT_EQ(m.Recipients.size(), 2u);
    EXPECT_EQ(m.Recipients[1].Name, "D, E");
    EXPECT_EQ(m.CharSet, "ISO-8859-1");
    EXPECT_EQ(m.MsgId, "<1@a.b>");
    EXPECT_EQ(m.Priority, 0);
    EXPECT_NEAR(m.Date, 46363.0 + 16.7 / 24, 1.0) << "about that day, in local time";
    EXPECT_EQ(m.NewsGroups, (std::vector<std::string>{"de.test", "de.etc"}));
}

TEST(MessageTest, MissingHeadersGiveEmptyFields) {
    const MailMessage m = Parsed({"X-Other: 1"});
    EXPECT_EQ(m.Subject, "");
    EXPECT_EQ(m.From.Text(), "");
    EXPECT_EQ(m.Date, 0);
    EXPECT_EQ(m.Priority, 2) << "normal";
}

TEST(HeaderListTest, AHeaderFoldedOverManyLinesUnfoldsWhole) {
    HeaderList h;
    h.Add("Subject: 0");
    std::string expected = "0";
    for (int i = 1; i <= 50000; ++i) {
        std::string line(1, i % 2 ? '\t' : ' ');
        line += std::to_string(i);
        if (i % 2)
            line += "  ";
        h.Add(line);
        expected += ' ';
        expected += std::to_string(i);
    }
    EXPECT_EQ(h.ValueOf("subject"), expected);
}

TEST(MessageTest, PrioritiesAndDates) {
    // The smallest number less 1 wraps in its low byte instead of overflowing.
    for (const char* smallest : {"-2147483648", "$80000000", "0x80000000"})
        EXPECT_EQ(PriorityFromText(smallest), 0xFF) << smallest;
    EXPECT_EQ(PriorityFromText("2147483647"), 0xFE);
    EXPECT_EQ(PriorityFromText("0"), 0xFF);
    EXPECT_EQ(PriorityFromText("urgent"), 1);
    EXPECT_EQ(PriorityFromText("Non-Priority"), 3);
    EXPECT_EQ(PriorityFromText("5"), 4);
    EXPECT_EQ(PriorityFromText("junk"), 2);
    EXPECT_EQ(PriorityFromText(""), 2);
    for (const char* bad : {"", "yesterday", "32 Dec 2026 10:00", "Mon, 7 Foo 2026 10:00:00",
                            "7 Dec 2026 25:99:00 +0100", "7 Dec"})
        EXPECT_EQ(InternetDateToLocal(bad), 0) << bad;
    EXPECT_NE(InternetDateToLocal("7 Dec 26 10:00 EST"), 0);
}

// A value that cannot be decoded is kept as it stands and one that cannot be parsed is left
// empty; every other field is still taken.
TEST(MessageTest, ABadFieldCostsOnlyItself) {
    const MailMessage m =
        Parsed({"Subject: =?ISO-8859-1?Q?=ZZ?= x", "From: <a@b.c> x@y", "To: <c@d.e>, <f@g.h> i@j",
                "Cc: =?ISO-8859-1?Q?=G?=", "Reply-To: <k@l.m>", "X-Priority: 5"});
    EXPECT_EQ(m.Subject, "=?ISO-8859-1?Q?=ZZ?= x");
    EXPECT_EQ(m.From.Text(), "");
    ASSERT_EQ(m.Recipients.size(), 2u) << "the items up to the bad one, which was added first";
    EXPECT_EQ(m.Recipients[0].Address, "c@d.e");
    ASSERT_EQ(m.ReplyTo.size(), 1u);
    EXPECT_EQ(m.Priority, 4);
}

TEST(MessageTest, WithoutAResetTheFirstMessagesValuesWin) {
    MailMessage m = Parsed({"Subject: one"});
    m.HeaderLines.Add("Subject: two");
    m.ApplyHeaderFields();
    EXPECT_EQ(m.Subject, "one");
    m.MsgId = "<kept>";
    m.ResetMessage();
    EXPECT_EQ(m.HeaderLines.Count(), 0);
    EXPECT_EQ(m.Subject, "");
    EXPECT_EQ(m.MsgId, "<kept>") << "the reset leaves the identifier";
}

} // namespace
} // namespace kestrel
