// Servers that bend the rules between one listing and the next: every message still shows
// exactly once in the list, and the status says what the server did.
#include "support/imap_script.h"
#include "support/mail_fixture.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kestrel::testing {
namespace {

// A server of the test's own for three listings: its field and what keeps it running.
struct Served {
    std::string field;
    std::shared_ptr<void> server;
    // What changes before the listing of that index (1 or 2).
    std::function<void(int)> between = [](int) {};
};

ScriptedInbox TwoUnread(uint32_t uidValidity,
                        ScriptedInbox::Fault fault = ScriptedInbox::Fault::None) {
    ScriptedInbox box;
    box.uidValidity = uidValidity;
    box.fetchFault = fault;
    box.unread = {{7, HeaderOf("a@b.c", "1")}, {9, HeaderOf("a@b.c", "2")}};
    return box;
}

// The inbox of each session by its index.
Served Imap(std::function<ScriptedInbox(int)> inboxOf) {
    auto session = std::make_shared<int>(0);
    auto server = std::make_shared<LoopbackServer>(
        [session, inboxOf](Peer& p) { ServeImap(p, inboxOf((*session)++)); }, 3);
    return {"imap://127.0.0.1:" + std::to_string(server->port()), server};
}

std::vector<Pop3Mailbox::Message> Numbered(int last) {
    std::vector<Pop3Mailbox::Message> messages;
    for (int n = 1; n <= last; ++n)
        messages.push_back(Mail("a@b.c", std::to_string(n)));
    return messages;
}

// UIDL leaves out a message at the second listing: that one counts, the third has ids again.
// A message comes before each later listing.
Served Pop3IncompleteUidl() {
    auto calls = std::make_shared<int>(0);
    MailboxFeatures features{[calls](const std::vector<Pop3Mailbox::Message>& messages) {
                                 const std::string all = Pop3Mailbox::GoodUidl(messages);
                                 return (*calls)++ == 1 ? all.substr(all.find('\n') + 1) : all;
                             },
                             false};
    auto box = std::make_shared<Pop3Mailbox>(Numbered(2), 3, features);
    return {"127.0.0.1:" + std::to_string(box->port()), box,
            [box](int listing) { box->Replace(Numbered(2 + listing)); }};
}

struct Bent {
    const char* name;
    std::function<Served()> serve;
    std::vector<std::string> shown; // after three listings, each once
    const char* firstStatus;
    const char* lastStatus;
};

void PrintTo(const Bent& row, std::ostream* out) {
    *out << row.name;
}

class ListedOnceTest : public MailTest, public ::testing::WithParamInterface<Bent> {};

TEST_P(ListedOnceTest, EveryMessageShowsOnce) {
    const Bent& row = GetParam();
    const Served served = row.serve();
    StartCompact();
    mail().StoreAccount(1, {served.field, "user", "pw", true});
    std::vector<std::string> statuses;
    for (int listing = 0; listing < 3; ++listing) {
        served.between(listing);
        OpenList();
        Tray(1035, TrayMouse::LeftButtonUp); // closed again, the lines kept
        statuses.push_back(StatusText(*mail().States().Newest(1)));
    }
    std::vector<std::string> shown;
    for (const std::string& line : Lines())
        shown.push_back(line.substr(0, line.find_last_not_of(' ', 46) + 1));
    std::ranges::sort(shown);
    EXPECT_EQ(shown, row.shown);
    EXPECT_EQ(statuses.front(), row.firstStatus);
    EXPECT_EQ(statuses.back(), row.lastStatus);
}

const std::vector<std::string> TwoShown{"a@b.c: 1", "a@b.c: 2"};

INSTANTIATE_TEST_SUITE_P(
    Servers, ListedOnceTest,
    ::testing::Values(
        Bent{"HeadersForOtherUids",
             [] {
                 return Imap([](int session) {
                     return TwoUnread(1, session == 0 ? ScriptedInbox::Fault::OtherUids
                                                      : ScriptedInbox::Fault::None);
                 });
             },
             TwoShown, "ok: 2 messages, 2 new; the server did not send 2 headers",
             "ok: 2 messages"},
        Bent{"HeadersWithoutUid",
             [] {
                 return Imap([](int session) {
                     return TwoUnread(1, session == 0 ? ScriptedInbox::Fault::NoUid
                                                      : ScriptedInbox::Fault::None);
                 });
             },
             TwoShown, "ok: 2 messages, 2 new; the server did not send 2 headers",
             "ok: 2 messages"},
        Bent{"HeadersNeverSent",
             [] { return Imap([](int) { return TwoUnread(1, ScriptedInbox::Fault::NoUid); }); },
             {}, "ok: 2 messages, 2 new; the server did not send 2 headers",
             "ok: 2 messages"},
        Bent{"UidValidityChangedOnce",
             [] { return Imap([](int session) { return TwoUnread(session == 0 ? 1 : 2); }); },
             TwoShown, "ok: 2 messages, 2 new", "ok: 2 messages"},
        Bent{"UidValidityChangesAtEveryConnection",
             [] { return Imap([](int session) { return TwoUnread(10 + session); }); },
             TwoShown, "ok: 2 messages, 2 new",
             "ok: 2 messages, 2 new; the server's message ids are not stable"},
        Bent{"Pop3UidlIncompleteOnce", Pop3IncompleteUidl,
             {"a@b.c: 1", "a@b.c: 2", "a@b.c: 3", "a@b.c: 4"}, "ok: 2 messages, 2 new",
             "ok: 4 messages, 1 new"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrel::testing
