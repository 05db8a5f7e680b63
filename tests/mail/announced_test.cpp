// What a start announces: only what was not announced before, by the ids kept beside the
// settings; where that record or the server's ids fail, everything, as said in the status.
#include "support/mail_fixture.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrel::testing {
namespace {

std::vector<Pop3Mailbox::Message> Numbered(std::vector<int> numbers) {
    std::vector<Pop3Mailbox::Message> messages;
    for (int n : numbers)
        messages.push_back(Mail("a@b.c", std::to_string(n)));
    return messages;
}

struct Restart {
    const char* name;
    bool uidl;
    // What happens while kestrel is stopped.
    std::function<void(Pop3Mailbox&, FakeSettingsFile&)> meanwhile;
    size_t notices;        // at the start
    size_t listed;         // by the list opened then
    std::string status;    // after the start's check
};

void PrintTo(const Restart& row, std::ostream* out) {
    *out << row.name;
}

class AnnouncedTest : public MailTest, public ::testing::WithParamInterface<Restart> {};

TEST_P(AnnouncedTest, AStartAnnouncesWhatWasNotAnnouncedBefore) {
    const Restart& row = GetParam();
    Pop3Mailbox box(Numbered({1, 2, 3}), 8,
                    {row.uidl ? Pop3Mailbox::GoodUidl : MailboxFeatures::UidList(), false});
    StartCompact();
    Account(1, box.port());
    OpenList();
    ASSERT_EQ(Lines().size(), 3u);
    row.meanwhile(box, announced);
    app->SaveAndQuit();
    app.reset();
    Lines().clear(); // as a new window's list is
    const size_t before = desk.notifications.size();
    Start();
    EXPECT_EQ(desk.notifications.size() - before, row.notices);
    EXPECT_EQ(StatusText(*mail().States().Newest(1)), row.status);
    OpenList();
    EXPECT_EQ(Lines().size(), row.listed);
    Check();
    EXPECT_EQ(mail().States().Newest(1)->remark, "") << "said once";
}

const auto Nothing = [](Pop3Mailbox&, FakeSettingsFile&) {};

INSTANTIATE_TEST_SUITE_P(
    Starts, AnnouncedTest,
    ::testing::Values(
        Restart{"NothingCame", true, Nothing, 0, 0, "ok: 3 messages"},
        Restart{"OneCame", true,
                [](Pop3Mailbox& box, FakeSettingsFile&) { box.Replace(Numbered({1, 2, 3, 4})); },
                1, 1, "ok: 4 messages, 1 new"},
        Restart{"RecordDeleted", true,
                [](Pop3Mailbox&, FakeSettingsFile& file) { file.content.reset(); }, 1, 3,
                "ok: 3 messages, 3 new; no record of announced mail: all mail counts as new"},
        Restart{"RecordForeign", true,
                [](Pop3Mailbox&, FakeSettingsFile& file) { file.content = "[mail]\nseen=3\n"; },
                1, 3,
                "ok: 3 messages, 3 new; the record of announced mail was not kestrel's: all "
                "mail counts as new"},
        Restart{"NoUidl", false, Nothing, 1, 3,
                "ok: 3 messages, 3 new; the server gives no message ids: its mail is new again "
                "after each start"}),
    [](const auto& info) { return std::string(info.param.name); });

// A record that is not kestrel's is kept beside the one written over it.
TEST_F(MailTest, AForeignRecordIsKeptAsItWas) {
    Pop3Mailbox box(Numbered({1}), 2, {Pop3Mailbox::GoodUidl, false});
    announced.content = "not ours";
    Start();
    Account(1, box.port());
    Check();
    EXPECT_EQ(announced.kept, "not ours");
    EXPECT_NE(announced.content->find(Pop3Mailbox::IdOf(Numbered({1})[0])), std::string::npos);
}

} // namespace
} // namespace kestrel::testing
