// IMAP against Dovecot's own server: what is listed, what stays unread, what a deletion
// removes while another client works in the same mailbox, and push through the mail watch.
#include "imap/imap_client.h"
#include "mail/imap_jobs.h"
#include "support/imap_script.h"
#include "support/job_listing.h"
#include "support/mail_fixture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
// come without any check being asked for, and as soon beside an account whose server never
// opens its mailbox (listed first, so its hold would show in the list too).
TEST_F(ImapDovecotTest, ADeliveredMessageIsAnnouncedThroughTheIdleConnection) {
    const fs::path maildir = fs::path(KESTREL_DOVECOT_DIR) / "mail/jack/Maildir";
    const auto waitFor = [&](const std::function<bool()>& done) {
        const auto start = std::chrono::steady_clock::now();
        while (!done() && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            desk.posted.WaitForAny(std::chrono::milliseconds(20));
            desk.posted.RunAll();
        }
        return std::chrono::steady_clock::now() - start;
    };
    for (const bool besideSlow : {false, true}) {
        ScriptedInbox never;
        never.selectHoldMs = 5000;
        LoopbackServer slow([&](Peer& p) { ServeImap(p, never); }, 50);
        announced.content = EncodeAnnounced({}); // a first start, as the row before was
        Start();
        mail().StoreAccount(2, User("jack"));
        mail().SetPeriodicCheck(true);
        mail().CheckAccounts({2});
        Settle();
        ASSERT_TRUE(mail().MailPending()) << "jack has unread mail from the start";
        OpenList(); // the list shown, the notice taken
        mail().ClearList();
        Settle();
        ASSERT_FALSE(mail().MailPending());
        const size_t notices = desk.notifications.size();
        if (besideSlow)
            mail().StoreAccount(
                1, {"imap://127.0.0.1:" + std::to_string(slow.port()), "u", "p", true});

        // Give the idle connections their moment to open, then deliver behind kestrel's back.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const std::string name = besideSlow ? "2000000002.M1.push" : "2000000001.M1.push";
        std::ofstream(maildir / "tmp" / name, std::ios::binary)
            << "From: pushed@example.org\r\nSubject: Pushed\r\n\r\nBody.\r\n";
        fs::rename(maildir / "tmp" / name, maildir / "new" / name);
        EXPECT_LT(waitFor([&] { return mail().MailPending(); }), std::chrono::seconds(2))
            << besideSlow;
        EXPECT_GT(desk.notifications.size(), notices) << besideSlow;
        EXPECT_TRUE(desk.control(ControlName::MailMarkBox).visible);

        // Closed and opened again, the list shows jack's lines while the other account still
        // waits for its mailbox.
        OpenList();
        OpenList();
        EXPECT_LT(waitFor([&] { return !Lines().empty(); }), std::chrono::seconds(2)) << besideSlow;
        ASSERT_FALSE(Lines().empty());
        EXPECT_EQ(mail().Lines()[0].account, 2) << besideSlow;
    }
}

// Restarts against both of Dovecot's servers: one after a listing announces nothing, one after
// a delivery announces and lists that message alone.
struct Protocol {
    const char* name;
    std::string (*server)();
    const char* user;
};

std::string Pop3Server() {
    return KESTREL_POP3_SERVER;
}

class AnnouncedOnceTest : public ImapDovecotTest, public ::testing::WithParamInterface<Protocol> {
  protected:
    // Ends as at exit, then starts again: what did it announce?
    size_t Restart() {
        app->SaveAndQuit();
        app.reset();
        Lines().clear(); // as a new window's list is
        const size_t before = desk.notifications.size();
        Start();
        return desk.notifications.size() - before;
    }
};

TEST_P(AnnouncedOnceTest, AStartAnnouncesOnlyWhatCameMeanwhile) {
    const std::string user = GetParam().user;
    StartCompact();
    mail().StoreAccount(1, {GetParam().server(), user, user + "pw", true});
    OpenList();
    ASSERT_EQ(Lines().size(), 3u);
    EXPECT_EQ(Restart(), 0u);
    EXPECT_EQ(mail().States().Newest(1)->fresh, 0);
    OpenList();
    EXPECT_TRUE(Lines().empty());

    const fs::path maildir = fs::path(KESTREL_DOVECOT_DIR) / "mail" / GetParam().user / "Maildir";
    std::ofstream(maildir / "new/2000000002.M2.later", std::ios::binary)
        << "From: later@example.org\r\nSubject: Came meanwhile\r\n\r\nBody.\r\n";
    EXPECT_EQ(Restart(), 1u);
    EXPECT_EQ(desk.notifications.back().text, "account 1: later@example.org: Came meanwhile");
    OpenList();
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_NE(Lines()[0].find("Came meanwhile"), std::string::npos);
    EXPECT_EQ(Restart(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Servers, AnnouncedOnceTest,
                         ::testing::Values(Protocol{"Pop3", Pop3Server, "kim"},
                                           Protocol{"Imap", Server, "lee"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrel::testing
