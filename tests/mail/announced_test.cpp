// Where the record of announced mail or the server's ids fail, a start announces everything,
// as it always did, and says why once. (Restarts that go well: against Dovecot.)
#include "support/mail_fixture.h"

#include <functional>
#include <string>

namespace kestrel::testing {
namespace {

struct Fallback {
    const char* name;
    bool uidl;
    std::function<void(FakeSettingsFile&)> meanwhile; // while kestrel is stopped
    std::string status;                               // after the start's check
};

void PrintTo(const Fallback& row, std::ostream* out) {
    *out << row.name;
}

class AnnouncedTest : public MailTest, public ::testing::WithParamInterface<Fallback> {};

TEST_P(AnnouncedTest, AStartWithoutWhatWasAnnouncedAnnouncesEverythingAndSaysSoOnce) {
    Pop3Mailbox box({Mail("a@b.c", "1"), Mail("a@b.c", "2")}, 8,
                    {GetParam().uidl ? Pop3Mailbox::GoodUidl : MailboxFeatures::UidList(), false});
    StartCompact();
    Account(1, box.port());
    OpenList();
    GetParam().meanwhile(announced);
    const std::optional<std::string> before = announced.content;
    app->SaveAndQuit();
    app.reset();
    Lines().clear(); // as a new window's list is
    const size_t notices = desk.notifications.size();
    Start();
    EXPECT_EQ(desk.notifications.size(), notices + 2) << "one for each new message";
    EXPECT_EQ(StatusText(*mail().States().Newest(1)), "ok: 2 messages, 2 new; " + GetParam().status);
    OpenList();
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(announced.kept, announced.keepOriginal ? before : std::nullopt);
    Check();
    EXPECT_EQ(mail().States().Newest(1)->remark, "") << "said once";
}

INSTANTIATE_TEST_SUITE_P(
    Records, AnnouncedTest,
    ::testing::Values(
        Fallback{"Deleted", true, [](FakeSettingsFile& file) { file.content.reset(); },
                 "no record of announced mail: all mail counts as new"},
        Fallback{"Foreign", true, [](FakeSettingsFile& file) { file.content = "[mail]\nseen=3\n"; },
                 "the record of announced mail was not kestrel's: all mail counts as new"},
        Fallback{"NoUidl", false, [](FakeSettingsFile&) {},
                 "the server gives no message ids: its mail is new again after each start"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrel::testing
