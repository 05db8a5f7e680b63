// IMAP against Dovecot's own server: what is listed, what stays unread, what a deletion
// removes while another client works in the same mailbox, and push through the mail watch.
#include "imap/imap_client.h"
#include "mail/imap_jobs.h"
#include "support/job_listing.h"
#include "support/mail_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace kestrel::testing {
namespace {

namespace fs = std::filesystem;

std::string Server() {
    const char* server = std::getenv("KESTREL_IMAP");
    return server ? std::string("imap://") + server : "";
}

AccountRecord User(const std::string& name) {
    return {Server(), name, name + "pw", true};
}

// Another client in the same mailbox, as a mail program beside kestrel would be.
std::unique_ptr<ImapClient> SecondClient(const std::string& user) {
    const std::string server = Server().substr(7);
    auto imap = std::make_unique<ImapClient>();
    imap->Host = server.substr(0, server.find(':'));
    imap->Port = std::atoi(server.substr(server.find(':') + 1).c_str());
    imap->Username = user;
    imap->Password = user + "pw";
    imap->OpenConnection(3000);
    imap->OpenInbox(false);
    return imap;
}

bool Shows(const ListedMessage& line, const std::string& text) {
    return line.entry.find(text) != std::string::npos;
}

class ImapDovecotTest : public MailTest {
  protected:
    void SetUp() override {
        if (Server().empty())
            GTEST_FAIL() << "KESTREL_IMAP is not set: run through ctest";
    }
};

TEST_F(ImapDovecotTest, ListsTheUnreadMessagesOnceAndLeavesThemUnread) {
    const JobListing first = CheckAccount(User("hank"), nullptr);
    ASSERT_TRUE(first.last.outcome);
    EXPECT_EQ(StatusText(*first.last.outcome), "ok: 4 messages, 3 new");
    ASSERT_EQ(first.lines.size(), 3u) << "the read message is no news";
    EXPECT_TRUE(Shows(first.lines[0], "Plain message"));
    EXPECT_TRUE(Shows(first.lines[1], "\"Müller, Jörg\"")); // decoded as for POP3
    EXPECT_TRUE(Shows(first.lines[2], "Folded Sender : A subject that goes .."))
        << first.lines[2].entry;
    ASSERT_TRUE(first.last.listedAfter);
    EXPECT_EQ(first.last.listedAfter->size(), 3u);

    // The headers were peeked at: another client still sees them unread.
    EXPECT_EQ(SecondClient("hank")->UnseenIds().size(), 3u);

    // Listed once: the next check finds nothing new, a forgotten list finds all again.
    const JobListing again = CheckAccount(User("hank"), first.last.listedAfter);
    EXPECT_TRUE(again.lines.empty());
    EXPECT_FALSE(again.last.found);
    EXPECT_EQ(CheckAccount(User("hank"), nullptr).lines.size(), 3u);
    // A plain check says there is news without listing it.
    const JobListing plain = CheckAccount(User("hank"), nullptr, false);
    EXPECT_TRUE(plain.last.found);
    EXPECT_TRUE(plain.lines.empty());
}

TEST_F(ImapDovecotTest, DeletesExactlyTheChosenMessageWhileAnotherClientFlaggedOne) {
    const JobListing listing = CheckAccount(User("ivy"), nullptr);
    ASSERT_EQ(listing.lines.size(), 3u);
    const auto other = SecondClient("ivy");
    const std::vector<uint32_t> before = other->UnseenIds();
    ASSERT_EQ(before.size(), 3u);
    other->FlagDeleted(before[0]); // flagged, not expunged, by the other client

    const ListedMessage& chosen = listing.lines[1];
    RunningClient running;
    const DeletionResult result = DeleteListedMessage(
        {1, chosen.number, chosen.identity, User("ivy"), chosen.uid}, {10000, 15000}, running);
    EXPECT_TRUE(result.deleted);
    EXPECT_EQ(StatusText(result.outcome), "ok");

    // The other client's flagged message is still there, and no news; only the chosen one went.
    const auto after = SecondClient("ivy");
    EXPECT_EQ(after->OpenInbox(true).messages, 2u);
    EXPECT_EQ(after->UnseenIds(), std::vector<uint32_t>{before[2]});
    EXPECT_TRUE(CheckAccount(User("ivy"), nullptr).lines.size() == 1u) << "flagged is as gone";

    // Deleting it again finds it gone.
    const DeletionResult twice = DeleteListedMessage(
        {1, chosen.number, chosen.identity, User("ivy"), chosen.uid}, {10000, 15000}, running);
    EXPECT_FALSE(twice.deleted);
    EXPECT_EQ(twice.outcome.kind, AccountOutcome::Kind::Gone);
}

// jack's mailbox gets a message delivered while kestrel idles: the mark and the notification
// come without any check being asked for.
TEST_F(ImapDovecotTest, ADeliveredMessageIsAnnouncedThroughTheIdleConnection) {
    Start();
    mail().StoreAccount(1, User("jack"));
    mail().SetPeriodicCheck(true);
    mail().CheckAccounts({1});
    Settle();
    ASSERT_TRUE(mail().MailPending()) << "jack has unread mail from the start";
    OpenList(); // the list shown, the notice taken
    mail().ClearList();
    Settle();
    ASSERT_FALSE(mail().MailPending());
    const size_t notices = desk.notifications.size();

    // Give the idle connection its moment to open, then deliver behind kestrel's back.
    const fs::path maildir = fs::path(KESTREL_DOVECOT_DIR) / "mail/jack/Maildir";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    std::ofstream(maildir / "tmp/2000000001.M1.push", std::ios::binary)
        << "From: pushed@example.org\r\nSubject: Pushed\r\n\r\nBody.\r\n";
    fs::rename(maildir / "tmp/2000000001.M1.push", maildir / "new/2000000001.M1.push");
    while (!mail().MailPending() && std::chrono::steady_clock::now() < deadline) {
        desk.posted.WaitForAny(std::chrono::milliseconds(20));
        desk.posted.RunAll();
    }
    Settle();
    EXPECT_TRUE(mail().MailPending());
    EXPECT_GT(desk.notifications.size(), notices);
    EXPECT_TRUE(desk.control(ControlName::MailMarkBox).visible);
}

} // namespace
} // namespace kestrel::testing
