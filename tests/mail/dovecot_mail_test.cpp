// The mail thread's jobs against Dovecot, while another client changes the mailbox between
// them: messages removed and delivered behind kestrel's back, as they are on a real account.
#include "mail/mail_jobs.h"
#include "pop3/pop3_client.h"
#include "support/job_listing.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kestrel {
namespace {

namespace fs = std::filesystem;

const fs::path Maildir = fs::path(KESTREL_DOVECOT_DIR) / "mail/gail/Maildir";

AccountRecord Gail() {
    const char* server = std::getenv("KESTREL_DOVECOT");
    return {server ? server : "", "gail", "gailpw", true};
}

// The other client: Dovecot keeps a message's file in new/ until it is seen, then in cur/.
void RemoveMessage(const std::string& name) {
    for (const char* folder : {"new", "cur"}) {
        for (const fs::directory_entry& file : fs::directory_iterator(Maildir / folder)) {
            if (file.path().filename().string().starts_with(name))
                fs::remove(file.path());
        }
    }
}

void DeliverMessage(const std::string& name, const std::string& subject) {
    std::ofstream(Maildir / "new" / name, std::ios::binary)
        << "From: new@example.org\r\nSubject: " << subject << "\r\n\r\nBody.\r\n";
}

ListedIds Uids(const std::vector<ListedMessage>& lines) {
    ListedIds uids;
    for (const ListedMessage& line : lines)
        uids.insert(line.uid);
    return uids;
}

TEST(DovecotMailTest, IdsFollowTheMessagesWhileAnotherClientChangesTheMailbox) {
    if (Gail().server.Text().empty())
        GTEST_FAIL() << "KESTREL_DOVECOT is not set: run through ctest";
    const testing::JobListing first = testing::CheckAccount(Gail(), nullptr);
    ASSERT_EQ(first.lines.size(), 3u);
    ASSERT_TRUE(first.last.listedAfter);
    const ListedIdsValue listed = first.last.listedAfter;
    EXPECT_EQ(*listed, Uids(first.lines));
    EXPECT_EQ(listed->size(), 3u);

    // One removed and one delivered: the count stays 3, and the new one is listed once.
    RemoveMessage("1000000001.");
    DeliverMessage("1000000009.M9.kestrel", "Delivered later");
    const testing::JobListing second = testing::CheckAccount(Gail(), listed);
    ASSERT_EQ(second.lines.size(), 1u);
    EXPECT_EQ(second.lines[0].number, 3);
    EXPECT_NE(second.lines[0].entry.find("Delivered later"), std::string::npos);
    ASSERT_TRUE(second.last.outcome && second.last.listedAfter);
    EXPECT_EQ(second.last.outcome->messages, 3);
    EXPECT_EQ(testing::CheckAccount(Gail(), second.last.listedAfter).lines.size(), 0u)
        << "nothing new since";

    // Message 2 removed elsewhere: message 3's line, listed as number 3, is deleted at 1.
    RemoveMessage("1000000002.");
    const ListedMessage& third = first.lines[2];
    RunningClient running;
    const DeletionResult deleted = DeleteListedMessage(
        {1, third.number, third.identity, Gail(), third.uid}, {10000, 15000}, running);
    EXPECT_TRUE(deleted.deleted);
    EXPECT_EQ(deleted.number, 1);
    const testing::JobListing left = testing::CheckAccount(Gail(), nullptr);
    ASSERT_EQ(left.lines.size(), 1u);
    EXPECT_NE(left.lines[0].entry.find("Delivered later"), std::string::npos);
}

} // namespace
} // namespace kestrel
