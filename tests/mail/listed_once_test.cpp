// Servers that bend the rules between one listing and the next: every message still shows
// exactly once in the list, and the status says what the server did.
#include "support/imap_script.h"
#include "support/mail_fixture.h"

#include <algorithm>
#include <functional>
#include <memory>

namespace kestrel::testing {
namespace {

using Fault = ScriptedInbox::Fault;

// A server for three listings: its field, what keeps it, what changes before listing n.
struct Served {
    std::string field;
    std::shared_ptr<void> server;
    std::function<void(int)> between = [](int) {};
};

// Two unread messages, the inbox's id and fault by the session's index.
Served Imap(std::function<uint32_t(int)> validity, std::function<Fault(int)> fault) {
    auto session = std::make_shared<int>(0);
    auto server = std::make_shared<LoopbackServer>(
        [=](Peer& p) {
            ScriptedInbox box;
            box.uidValidity = validity(*session);
            box.fetchFault = fault(*session);
            box.unread = {{7, HeaderOf("a@b.c", "1")}, {9, HeaderOf("a@b.c", "2")}};
            ++*session;
            ServeImap(p, box);
        },
        3);
    return {"imap://127.0.0.1:" + std::to_string(server->port()), server};
}

std::vector<Pop3Mailbox::Message> Numbered(int last) {
    std::vector<Pop3Mailbox::Message> messages;
    for (int n = 1; n <= last; ++n)
        messages.push_back(Mail("a@b.c", std::to_string(n)));
    return messages;
}

// UIDL leaves a message out at the second listing, which then counts; a message comes before
// each later listing.
Served Pop3IncompleteUidl() {
    auto calls = std::make_shared<int>(0);
    auto box = std::make_shared<Pop3Mailbox>(
        Numbered(2), 3,
        MailboxFeatures{[calls](const std::vector<Pop3Mailbox::Message>& messages) {
                            const std::string all = Pop3Mailbox::GoodUidl(messages);
                            return (*calls)++ == 1 ? all.substr(all.find('\n') + 1) : all;
                        },
                        false});
    return {"127.0.0.1:" + std::to_string(box->port()), box,
            [box](int listing) { box->Replace(Numbered(2 + listing)); }};
}

struct Bent {
    const char* name;
    std::function<Served()> serve;
    int messages; // each shown once after the three listings
    const char* firstStatus;
    const char* lastStatus;
};

void PrintTo(const Bent& row, std::ostream* out) {
    *out << row.name;
}

class ListedOnceTest : public MailTest, public ::testing::WithParamInterface<Bent> {};

TEST_P(ListedOnceTest, EveryMessageShowsOnce) {
    const Served served = GetParam().serve();
    StartCompact();
    mail().StoreAccount(1, {served.field, "user", "pw", true});
    std::vector<std::string> statuses;
    for (int listing = 0; listing < 3; ++listing) {
        served.between(listing);
        OpenList();
        Tray(1035, TrayMouse::LeftButtonUp); // closed again, the lines kept
        statuses.push_back(StatusText(*mail().States().Newest(1)));
    }
    std::vector<std::string> shown, expected;
    for (const std::string& line : Lines())
        shown.push_back(line.substr(0, line.find_last_not_of(' ', 46) + 1));
    for (int n = 1; n <= GetParam().messages; ++n)
        expected.push_back("a@b.c: " + std::to_string(n));
    std::ranges::sort(shown);
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(statuses.front(), GetParam().firstStatus);
    EXPECT_EQ(statuses.back(), GetParam().lastStatus);
}

const auto Once = [](uint32_t validity) { return [=](int) { return validity; }; };
const auto FirstTime = [](Fault fault) {
    return [=](int session) { return session == 0 ? fault : Fault::None; };
};
const char* NotSent = "ok: 2 messages, 2 new; the server did not send 2 headers";

INSTANTIATE_TEST_SUITE_P(
    Servers, ListedOnceTest,
    ::testing::Values(
        Bent{"HeadersForOtherUids", [] { return Imap(Once(1), FirstTime(Fault::OtherUids)); }, 2,
             NotSent, "ok: 2 messages"},
        Bent{"HeadersWithoutUid", [] { return Imap(Once(1), FirstTime(Fault::NoUid)); }, 2,
             NotSent, "ok: 2 messages"},
        Bent{"HeadersNeverSent",
             [] { return Imap(Once(1), [](int) { return Fault::NoUid; }); }, 0, NotSent,
             "ok: 2 messages"},
        Bent{"UidValidityChangedOnce",
             [] { return Imap([](int s) { return s == 0 ? 1u : 2u; }, FirstTime(Fault::None)); },
             2, "ok: 2 messages, 2 new", "ok: 2 messages"},
        Bent{"UidValidityChangesAtEveryConnection",
             [] { return Imap([](int s) { return 10u + s; }, FirstTime(Fault::None)); }, 2,
             "ok: 2 messages, 2 new",
             "ok: 2 messages, 2 new; the server's message ids are not stable"},
        Bent{"Pop3UidlIncompleteOnce", Pop3IncompleteUidl, 4, "ok: 2 messages, 2 new",
             "ok: 4 messages, 1 new"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace kestrel::testing
