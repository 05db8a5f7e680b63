// The mail watch against servers that misbehave on purpose: each row is a scripted server on
// loopback, listed through the shell as the user would, then, where the row says so, one line
// deleted. Whatever the server does, the check ends within its bounds, the list shows only what
// the headers hold, and nothing but the chosen message is ever deleted.
#include "mail/mail_entry.h"
#include "mail/mail_watch.h"
#include "pop3/pop3_client.h"
#include "support/loopback_server.h"
#include "support/pop3_script.h"
#include "support/shell_fixture.h"

#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace kestrel::testing {
namespace {

using enum ControlName;
using Clock = std::chrono::steady_clock;

constexpr int ConnectMs = MailWatch::CheckConnectLimitMs;
constexpr int ReplyMs = MessageClient::ReplyLimitMs;
constexpr int SessionMs = MailWatch::SessionLimitMs;
constexpr int Slack = 1500; // scheduling, and Wine
constexpr auto GuiAnswerMs = std::chrono::milliseconds(50);

// Reads one command line; empty when the client has gone.
std::string Command(Peer& p) {
    return OldServerCommand(p);
}

// Greeting, USER and PASS, answered as a good server would.
void Login(Peer& p) {
    p.Send("+OK ready\r\n");
    Command(p);
    p.Send("+OK\r\n");
    Command(p);
    p.Send("+OK\r\n");
}

std::string Top(const std::string& headers) {
    return "+OK\r\n" + headers + "\r\n.\r\n";
}

std::string Header(const std::string& from, const std::string& subject) {
    return "From: " + from + "\r\nSubject: " + subject + "\r\n";
}

// A server that logs in, answers STAT with stat and each TOP with what top gives for its
// number, refuses DELE, and never answers QUIT.
LoopbackServer::Script Serving(std::string stat, std::function<std::string(int)> top) {
    return [stat, top](Peer& p) {
        Login(p);
        Command(p);
        p.Send(stat);
        for (std::string c = Command(p); c.starts_with("TOP "); c = Command(p)) {
            if (!p.Send(top(std::stoi(c.substr(4)))))
                return;
        }
        p.ReceiveAll();
    };
}

LoopbackServer::Script Mailbox(std::vector<std::string> headers) {
    return Serving("+OK " + std::to_string(headers.size()) + " 100\r\n",
                   [headers](int n) { return Top(headers[static_cast<size_t>(n - 1)]); });
}

// Logs in and claims count messages; answers the first TOP with first when it is given, then
// leaves the next TOP to rest.
LoopbackServer::Script ThenOnTop(int count, std::string first, std::function<void(Peer&)> rest) {
    return [count, first, rest](Peer& p) {
        Login(p);
        Command(p);
        p.Send("+OK " + std::to_string(count) + " 9\r\n");
        if (!first.empty()) {
            Command(p);
            p.Send(Top(first));
        }
        Command(p);
        rest(p);
    };
}

// Sends the chunk again and again until the client goes away.
void Endlessly(Peer& p, const std::string& chunk, int pauseMs = 0) {
    while (p.Send(chunk)) {
        if (pauseMs > 0)
            p.Pause(pauseMs);
    }
}

struct Row {
    const char* name;
    LoopbackServer::Script server;
    std::vector<std::string> shown; // the display texts of the list's lines, in order
    int boundMs;                    // the longest the listing may block the window
    std::string status;             // the account's status line afterwards
};

std::string Repeat(const std::string& piece, int times) {
    std::string all;
    for (int i = 0; i < times; ++i)
        all += piece;
    return all;
}

std::vector<Row> Rows() {
    const std::string good = Header("a@b.c", "first");
    return {
        {"no greeting",
         [](Peer& p) { p.ReceiveAll(); },
         {},
         ConnectMs + ReplyMs,
         "timed out: greeting/login"},
        {"greeting then silence",
         [](Peer& p) {
             p.Send("+OK ready\r\n");
             p.ReceiveAll();
         },
         {},
         ConnectMs + ReplyMs,
         "timed out: greeting/login"},
        {"-ERR greeting",
         [](Peer& p) { p.Send("-ERR go away\r\n"); },
         {},
         ConnectMs,
         "wrong password? server said: -ERR go away"},
        {"close right after +OK",
         [](Peer& p) { p.Send("+OK\r\n"); },
         {},
         ConnectMs,
         "connection lost at greeting/login"},
        {"every reply a byte at a time",
         [good](Peer& p) {
             const std::string replies[] = {"+OK hi\r\n", "+OK\r\n", "+OK\r\n", "+OK 1 9\r\n",
                                            Top(good)};
             for (const std::string& reply : replies) {
                 if (&reply != &replies[0])
                     Command(p);
                 for (char c : reply) {
                     p.Send(std::string(1, c));
                     p.Pause(1);
                 }
             }
             p.ReceiveAll();
         },
         {"a@b.c: first"},
         ConnectMs + 2 * ReplyMs,
         "ok: 1 message, 1 new"},
        {"a reply line of several MB without CR LF",
         [](Peer& p) { Endlessly(p, std::string(65536, 'x')); },
         {},
         ConnectMs,
         "server broke a bound: line too long"},
        {"blank lines every 2 s instead of a reply",
         [](Peer& p) { Endlessly(p, "\r\n", 2000); },
         {},
         ConnectMs + ReplyMs,
         "timed out: greeting/login"},
        {"an endless +OK- continued reply",
         [](Peer& p) { Endlessly(p, "+OK-more\r\n"); },
         {},
         ConnectMs + ReplyMs,
         "server broke a bound: reply too long"},
        {"an endless header block after a good message",
         ThenOnTop(2, good,
                   [](Peer& p) {
                       p.Send("+OK\r\n");
                       Endlessly(p, "X-Endless: " + std::string(60, 'y') + "\r\n");
                   }),
         {"a@b.c: first"},
         ConnectMs + ReplyMs,
         "server broke a bound: header too long"},
        {"a header line every 4 s",
         ThenOnTop(1, "",
                   [](Peer& p) {
                       p.Send("+OK\r\n");
                       Endlessly(p, "X-Slow: yes\r\n", 4000);
                   }),
         {},
         ConnectMs + 2 * ReplyMs,
         "timed out: TOP"},
        {"a UIDL listing that stops half-way",
         [](Peer& p) {
             Login(p);
             Command(p);
             p.Send("+OK 3 9\r\n");
             p.ReceiveUntil("UIDL\r\n");
             p.Send("+OK\r\n1 first\r\n");
             p.ReceiveAll();
         },
         {},
         ConnectMs + ReplyMs,
         "timed out: UIDL"},
        {"PIPELINING announced, then silence after the first header",
         [good](Peer& p) {
             p.Send("+OK ready\r\n");
             p.ReceiveUntil("CAPA\r\n");
             p.Send("+OK\r\nPIPELINING\r\n.\r\n");
             Command(p);
             p.Send("+OK\r\n");
             Command(p);
             p.Send("+OK\r\n");
             Command(p);
             p.Send("+OK 3 9\r\n");
             Command(p); // TOP 1 0
             p.Send(Top(good));
             p.ReceiveAll();
         },
         {"a@b.c: first"},
         ConnectMs + ReplyMs,
         "timed out: TOP"},
        {"a reset in the middle of a header",
         ThenOnTop(2, good, [](Peer& p) { p.Send("+OK\r\nFrom: half@way\r\nSubj"); }),
         {"a@b.c: first"},
         ConnectMs + ReplyMs,
         "timed out: TOP"},
        {"STAT claiming 2147483647 with every TOP answered",
         Serving("+OK 2147483647 1\r\n",
                 [](int n) { return Top(Header("x@y.z", std::to_string(n))); }),
         {},
         ConnectMs + SessionMs,
         "*"},
        {"STAT negative", Serving("+OK -3 0\r\n", nullptr), {}, ConnectMs, "ok"},
        {"STAT not a number",
         Serving("+OK many 0\r\n", nullptr),
         {},
         ConnectMs,
         "failed at STAT: 'many' ist kein gültiger Integerwert"},
        {"each TOP answered just within the reply bound",
         Serving("+OK 5 9\r\n",
                 [](int n) {
                     std::this_thread::sleep_for(std::chrono::milliseconds(ReplyMs - 500));
                     return Top(Header("slow@b.c", std::to_string(n)));
                 }),
         {"slow@b.c: 1", "slow@b.c: 2", "slow@b.c: 3"},
         ConnectMs + SessionMs,
         "server broke a bound: session took too long"},
        {"NUL and 8-bit bytes in headers",
         Mailbox({Header(std::string("n\0ul@b.c", 8), std::string("caf\xE9\0!", 6))}),
         {"nul@b.c: café!"},
         ConnectMs,
         "ok: 1 message, 1 new"},
        {"ten thousand encoded words in one Subject",
         Mailbox({Header("a@b.c", Repeat("=?ISO-8859-1?Q?=41?=\r\n ", 10000) + "end")}),
         {"a@b.c: A A A A A A A A A A .."},
         ConnectMs + ReplyMs,
         "ok: 1 message, 1 new"},
        {"malformed encoded words and base64, then a good message",
         Mailbox({Header("a@b.c", "=?ISO-8859-1?Q?=ZZ?="), Header("a@b.c", "=?ISO-8859-1?B?!!?="),
                  Header("=?ISO-8859-1?Q?=ZZ?= <q@r.s>", "x"), good}),
         {"a@b.c: =?ISO-8859-1?Q?=ZZ?=", "a@b.c:", "=?ISO-8859-1?Q?=ZZ?= : x", "a@b.c: first"},
         ConnectMs,
         "ok: 4 messages, 4 new"},
        {"a From that cannot be parsed, then a good message",
         Mailbox({Header("<a@b.c> x@y", "broken"), good}),
         {": broken", "a@b.c: first"},
         ConnectMs,
         "ok: 2 messages, 2 new"},
        {"a From of 100 000 addresses, folded",
         Mailbox({"From: " + Repeat(Repeat("a@b.c, ", 50) + "\r\n ", 2000) +
                  "z@b.c\r\nSubject: many\r\n"}),
         {"*: many"},
         ConnectMs + ReplyMs,
         "ok: 1 message, 1 new"},
        {"deeply nested comments and quotes in From",
         Mailbox(
             {"From: " + Repeat(Repeat("(\"", 100) + "\r\n ", 500) + "x@y.z\r\nSubject: deep\r\n"}),
         {"*: deep"},
         ConnectMs + ReplyMs,
         "ok: 1 message, 1 new"},
        {"bare LF line ends",
         [](Peer& p) {
             p.Send("+OK hi\n");
             Command(p);
             p.Send("+OK\n");
             Command(p);
             p.Send("+OK\n");
             Command(p);
             p.Send("+OK 1 9\n");
             Command(p);
             p.Send("+OK\nFrom: lf@b.c\nSubject: lf\n.\n");
             p.ReceiveAll();
         },
         {"lf@b.c: lf"},
         ConnectMs,
         "ok: 1 message, 1 new"},
        {"bare CR line ends",
         [](Peer& p) { Endlessly(p, "+OK hi\r", 10); },
         {},
         ConnectMs + ReplyMs,
         "timed out: greeting/login"},
    };
}

#ifndef _WIN32
long PeakKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}
#endif

class HostileServerTest : public ShellTest, public ::testing::WithParamInterface<size_t> {
  protected:
    void Account(uint16_t port) {
        app->Mail().StoreAccount(1, {"127.0.0.1:" + std::to_string(port), "user", "pw", true});
    }
    std::vector<std::string> Shown() {
        std::vector<std::string> shown;
        for (const std::string& entry : desk.control(MailListBox).items) {
            std::string text = entry.substr(0, 47);
            text.erase(text.find_last_not_of(' ') + 1);
            shown.push_back(text);
        }
        return shown;
    }
};

TEST_P(HostileServerTest, TheListingEndsInTimeAndShowsOnlyTheHeaders) {
    const Row row = Rows()[GetParam()];
    SCOPED_TRACE(row.name);
#ifndef _WIN32
    const long before = PeakKiB();
#endif
    LoopbackServer server(row.server);
    StartCompact();
    Account(server.port());
    const Clock::time_point start = Clock::now();
    app->OnTrayCallback(MailCallback, TrayMouse::LeftButtonUp); // opens the list: a listing
    const auto answered = Clock::now() - start;
    EXPECT_LE(answered, GuiAnswerMs) << "the window answers at once; the mail thread talks";
    Settle();
    const auto blocked =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LE(blocked, row.boundMs + Slack) << "the listing ends within its bounds";
    const std::vector<std::string> shown = Shown();
    if (row.status != "*") { // the listing's cap and the session's bound race in that row
        EXPECT_EQ(desk.control(StatusLine).text, row.status);
    }
    if (row.name == std::string("STAT claiming 2147483647 with every TOP answered")) {
        ASSERT_FALSE(shown.empty());
        EXPECT_LE(shown.size(), static_cast<size_t>(MailWatch::MostListedPerCheck));
        EXPECT_EQ(shown.back(), "x@y.z: " + std::to_string(shown.size()));
        EXPECT_EQ(app->Mail().SeenCounts()[0], static_cast<int32_t>(shown.size()));
    } else {
        ASSERT_EQ(shown.size(), row.shown.size());
        for (size_t i = 0; i < shown.size(); ++i) {
            if (row.shown[i].starts_with("*")) // only the end is pinned down
                EXPECT_TRUE(shown[i].ends_with(row.shown[i].substr(1))) << shown[i];
            else
                EXPECT_EQ(shown[i], row.shown[i]);
        }
    }
#ifndef _WIN32
    // What one hostile session may hold: a header block, the receive buffer, the list.
    EXPECT_LT(PeakKiB() - before, 64 * 1024);
#endif
    std::printf("  %-58s %6lld ms\n", row.name, static_cast<long long>(blocked));
}

INSTANTIATE_TEST_SUITE_P(Rows, HostileServerTest, ::testing::Range(size_t{0}, Rows().size()));

const std::string OneReceived = Header("a@b.c", "same") + "Received: from one\r\n";
const std::string TwoReceived = Header("a@b.c", "same") + "Received: from two\r\n";

// Three accounts whose servers each answer just inside the reply bound, until the session bound
// ends each: the three sessions run side by side, while the window keeps answering and its
// tick keeps running.
TEST_F(HostileServerTest, ThreeSlowAccountsNeverHoldTheWindow) {
    const auto slow = [](Peer& p) {
        p.Pause(ReplyMs - 500);
        p.Send("+OK slow\r\n");
        for (;;) {
            if (Command(p).empty())
                return;
            p.Pause(ReplyMs - 500);
            if (!p.Send("+OK\r\n"))
                return;
        }
    };
    LoopbackServer one(slow), two(slow), three(slow);
    StartCompact();
    int account = 1;
    for (const LoopbackServer* server : {&one, &two, &three})
        app->Mail().StoreAccount(account++,
                                 {"127.0.0.1:" + std::to_string(server->port()), "u", "p", true});
    const Clock::time_point start = Clock::now();
    app->Mail().CheckMail(false);
    Clock::duration slowest{};
    while (!app->Mail().NoJobs() && Clock::now() - start < std::chrono::seconds(60)) {
        desk.posted.WaitForAny(std::chrono::milliseconds(100));
        const Clock::time_point before = Clock::now();
        desk.posted.RunAll();
        app->OnTimer();
        app->OnCommand(CmdConfigKestrel, 0, false); // a menu's command, then back
        app->OnCommand(OkButtonId, Clicked, true);
        slowest = std::max(slowest, Clock::now() - before);
    }
    const auto took = Clock::now() - start;
    EXPECT_TRUE(app->Mail().NoJobs());
    EXPECT_LE(slowest, GuiAnswerMs);
    EXPECT_GE(took, std::chrono::milliseconds(SessionMs - ReplyMs)) << "they were slow";
    EXPECT_LE(took, std::chrono::milliseconds(SessionMs + Slack)) << "each on its own thread";
    std::printf(
        "  three slow accounts: %lld ms, the window's slowest answer %lld us\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::microseconds>(slowest).count()));
}

// How the deleting session's server ends it: QUIT answered with a text, or never answered, or
// the connection closed right after DELE's reply.
struct QuitEnd {
    std::string reply = "+OK\r\n";
    bool closeAfterDele = false;
};

// Deletion: a scripted server whose mailbox the row changes between listing and deletion; the
// DELE commands it saw are the ones that count.
class HostileDeletionTest : public HostileServerTest {
  protected:
    // Lists the headers in a first session, then deletes line `line` in a second one whose
    // server holds `now`, answers DELE with `dele` and ends as `end` says; the commands of that
    // second session.
    std::vector<std::string> ListThenDelete(std::vector<std::string> listed,
                                            std::vector<std::string> now, int line,
                                            std::string dele = "+OK\r\n", QuitEnd end = {}) {
        std::vector<std::string> seen;
        int session = 0;
        { // the server's end joins its thread, also when no second session came
            LoopbackServer server(
                [&](Peer& p) {
                    const std::vector<std::string>& box = session++ == 0 ? listed : now;
                    Login(p);
                    for (std::string c = Command(p); !c.empty(); c = Command(p)) {
                        if (session == 2 && c != "QUIT")
                            seen.push_back(c);
                        if (c == "STAT") {
                            p.Send("+OK " + std::to_string(box.size()) + " 9\r\n");
                        } else if (c.starts_with("TOP ") && std::stoul(c.substr(4)) <= box.size()) {
                            p.Send(Top(box[std::stoul(c.substr(4)) - 1]));
                        } else if (c.starts_with("DELE ")) {
                            p.Send(dele);
                            if (end.closeAfterDele)
                                return p.Close();
                        } else if (c == "QUIT") {
                            if (!end.reply.empty())
                                p.Send(end.reply);
                            break;
                        } else {
                            p.Send("-ERR\r\n");
                        }
                    }
                    p.ReceiveAll();
                },
                2);
            StartCompact();
            Account(server.port());
            Tray(MailCallback, TrayMouse::LeftButtonUp);
            desk.control(MailListBox).selection = line;
            const Clock::time_point start = Clock::now();
            app->OnCommand(CmdDeleteMail, 0, false);
            EXPECT_LE(Clock::now() - start, GuiAnswerMs);
            Settle();
            EXPECT_LE(Clock::now() - start, std::chrono::milliseconds(ReplyMs + Slack));
        }
        return seen;
    }
};

struct QuitRow {
    const char* name;
    QuitEnd end;
    bool done;
};

const QuitRow QuitRows[] = {
    {"QUIT answered +OK", {}, true},
    {"QUIT answered -ERR", {"-ERR some deleted messages not removed\r\n"}, false},
    {"QUIT never answered", {""}, false},
    {"connection closed after DELE", {"", true}, false},
};

class QuitEndTest : public HostileDeletionTest {};

// The server removes a marked message only when it answers QUIT positively: otherwise the
// message is still there, and its line, the seen count and the numbers stay as they were.
TEST_P(QuitEndTest, OnlyAPositiveQuitCountsTheDeletionAsDone) {
    const QuitRow& row = QuitRows[GetParam()];
    SCOPED_TRACE(row.name);
    const auto seen = ListThenDelete({OneReceived, TwoReceived}, {OneReceived, TwoReceived}, 0,
                                     "+OK\r\n", row.end);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[1], "DELE 1");
    ASSERT_EQ(Shown().size(), row.done ? 1u : 2u);
    EXPECT_EQ(app->Mail().SeenCounts()[0], row.done ? 1 : 2);
    EXPECT_EQ(app->Mail().Lines().back().number, row.done ? 1 : 2);
}

INSTANTIATE_TEST_SUITE_P(Rows, QuitEndTest, ::testing::Range(size_t{0}, std::size(QuitRows)));

TEST_F(HostileDeletionTest, ARefusedDeleteKeepsTheLine) {
    const auto seen =
        ListThenDelete({Header("a@b.c", "1")}, {Header("a@b.c", "1")}, 0, "-ERR locked\r\n");
    EXPECT_EQ(seen, (std::vector<std::string>{"TOP 1 0", "DELE 1"}));
    EXPECT_EQ(Shown().size(), 1u);
}

TEST_F(HostileDeletionTest, AMailboxThatShrankDeletesNothing) {
    const auto seen =
        ListThenDelete({Header("a@b.c", "1"), Header("a@b.c", "2")}, {Header("a@b.c", "2")}, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"TOP 1 0"}));
    EXPECT_EQ(Shown().size(), 2u);
}

TEST_F(HostileDeletionTest, MessagesThatLookAlikeAreNeverDeleted) {
    // Same sender, subject and date, no Message-Id: after message 1 went elsewhere, message 2
    // is number 1 and would pass any check on those fields.
    const std::string same = Header("a@b.c", "same") + "Date: Mon, 7 Dec 2026 10:00:00 +0000\r\n";
    const auto seen = ListThenDelete({same, same, same}, {same, same}, 0);
    EXPECT_TRUE(seen.empty()) << "not even asked: the list cannot tell its lines apart";
    EXPECT_EQ(Shown().size(), 3u);
}

TEST_F(HostileDeletionTest, MessagesThatDifferInAnyHeaderAreToldApart) {
    const auto seen = ListThenDelete({OneReceived, TwoReceived}, {TwoReceived}, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"TOP 1 0"})) << "the one now at 1 is not line 1's";
}

TEST_F(HostileDeletionTest, TheListedMessageIsDeletedWhenItIsStillThere) {
    const auto seen = ListThenDelete({OneReceived, TwoReceived}, {OneReceived, TwoReceived}, 1);
    EXPECT_EQ(seen, (std::vector<std::string>{"TOP 2 0", "DELE 2"}));
    EXPECT_EQ(Shown().size(), 1u);
}

} // namespace
} // namespace kestrel::testing
