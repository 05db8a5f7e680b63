// IMAP servers that behave as Dovecot will not: what kestrel sends them, and what it makes of
// what they send.
#include "imap/imap_client.h"
#include "mail/idle_session.h"
#include "mail/mail_jobs.h"
#include "net/wake_socket.h"
#include "support/imap_script.h"
#include "support/job_listing.h"
#include "support/mail_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace kestrel::testing {
namespace {

AccountRecord On(const LoopbackServer& server) {
    return {"imap://127.0.0.1:" + std::to_string(server.port()), "user", "secret", true};
}

ScriptedInbox TwoMessages() {
    ScriptedInbox box;
    box.unread = {{7, HeaderOf("a@example.org", "First")},
                  {9, HeaderOf("b@example.org", "Second")}};
    return box;
}

TEST(ImapScriptTest, WhatEachServerLeavesListed) {
    struct Row {
        const char* what;
        ScriptedInbox box;
        size_t lines;
        const char* status;
        ListedIds listedAfter;
        bool passwordSent;
    };
    ScriptedInbox pieces = TwoMessages();
    pieces.pieceMs = 30;
    ScriptedInbox rev2;
    rev2.esearch = true;
    rev2.unread = {{3, HeaderOf("a@example.org", "First")},
                   {4, HeaderOf("c@example.org", "Third")},
                   {5, HeaderOf("d@example.org", "Fourth")},
                   {9, HeaderOf("b@example.org", "Second")}};
    ScriptedInbox bye = TwoMessages();
    bye.byeAfterFirstHeader = true;
    ScriptedInbox huge = TwoMessages();
    huge.unread[0].second = "X-Huge: " + std::string(1100 * 1024, 'x') + "\r\n\r\n";
    ScriptedInbox disabled = TwoMessages();
    disabled.capabilities = "IMAP4rev1 LOGINDISABLED AUTH=PLAIN";
    const Row rows[] = {
        {"headers in pieces", pieces, 2, "ok: 2 messages, 2 new", {"1:7", "1:9"}, true},
        {"an IMAP4rev2 server's ESEARCH",
         rev2,
         4,
         "ok: 4 messages, 4 new",
         {"1:3", "1:4", "1:5", "1:9"},
         true},
        {"BYE before the second header: it is asked for again",
         bye,
         1,
         "server refused FETCH: BYE shutting down",
         {"1:7"},
         true},
        {"no password on a plain connection",
         disabled,
         0,
         "the server takes passwords only over TLS: use imaps://",
         {},
         false},
    };
    for (const Row& row : rows) {
        LoopbackServer server([&](Peer& p) { ServeImap(p, row.box); });
        const JobListing listing = CheckAccount(On(server), nullptr);
        EXPECT_EQ(listing.lines.size(), row.lines) << row.what;
        ASSERT_TRUE(listing.last.outcome) << row.what;
        EXPECT_EQ(StatusText(*listing.last.outcome), row.status) << row.what;
        EXPECT_EQ(IdsIn(listing.last.listedAfter), row.listedAfter) << row.what;
        if (row.lines > 0) {
            EXPECT_NE(listing.lines[0].entry.find("a@example.org: First"), std::string::npos);
        }
        EXPECT_EQ(server.Received().find("secret") != std::string::npos, row.passwordSent)
            << row.what;
    }
}

// A password of 8-bit characters cannot be quoted: it goes as a literal, waiting for the
// server's go-ahead unless the server takes literals without one.
TEST(ImapScriptTest, PasswordsQuotingCannotCarryGoAsLiterals) {
    for (const bool literalPlus : {false, true}) {
        ScriptedInbox box = TwoMessages();
        box.capabilities = literalPlus ? "IMAP4rev1 LITERAL+" : "IMAP4rev1";
        LoopbackServer server([&](Peer& p) { ServeImap(p, box); });
        AccountRecord account = On(server);
        account.user = "a \"quoted\" user";
        account.password = "sécret";
        EXPECT_EQ(CheckAccount(account, nullptr).lines.size(), 2u) << literalPlus;
        EXPECT_NE(server.Received().find(std::string(" LOGIN \"a \\\"quoted\\\" user\" {7") +
                                         (literalPlus ? "+}" : "}") +
                                         "\r\nsécret\r\n"),
                  std::string::npos)
            << server.Received();
    }
}

// Exit while an idle connection opens or idles: DONE and LOGOUT go out, and nothing waits
// for an answer longer than the exit allows.
TEST_F(MailTest, AnExitEndsTheIdleAtOnce) {
    // Idles, then answers nothing more; or begins a response it never ends.
    const auto idler = [](const std::string& then) {
        return [then](Peer& p) {
            p.Send("* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n");
            for (const char* answer :
                 {" OK [CAPABILITY IMAP4rev1 IDLE] in\r\n", " OK\r\n", "+ idling\r\n"}) {
                const std::string command = p.ReceiveUntil("\r\n");
                const std::string tag = command.substr(0, command.find(' '));
                p.Send(answer[0] == '+' ? answer : tag + answer);
            }
            p.Send(then);
            p.ReceiveAll();
        };
    };
    FullListener full;
    LoopbackServer deaf(idler(""));
    LoopbackServer half(idler("* OK half a li"));
    const std::pair<uint16_t, const char*> rows[] = {
        {full.port(), "a connect that never completes"},
        {deaf.port(), "a server deaf after IDLE"},
        {half.port(), "half a line, then nothing"},
    };
    for (const auto& [port, what] : rows) {
        SCOPED_TRACE(what);
        settings = FakeSettingsFile{};
        StartCompact();
        mail().StoreAccount(1, {"imap://127.0.0.1:" + std::to_string(port), "u", "p", true});
        mail().SetPeriodicCheck(true);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto start = std::chrono::steady_clock::now();
        app->OnCommand(CmdExit, 0, false);
        app.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    }
    const std::string sent = deaf.Received();
    EXPECT_NE(sent.find(" IDLE\r\nDONE\r\n"), std::string::npos) << "a goodbye: " << sent;
    EXPECT_NE(sent.find(" LOGOUT\r\n"), std::string::npos) << sent;
}

// No server holds the mail thread from its idle: a response begun and never ended, or responses
// that never stop, end the connection within its bound, and it opens again after its pause. A
// refused login is not tried again: the checks say what is wrong, and nobody hammers the server
// with a wrong password.
TEST(ImapScriptTest, IdleServersThatMisbehaveAreLetGo) {
    struct Row {
        const char* what;
        std::string afterIdle; // sent once, or on and on when it is a whole line
        int logins;
    };
    const Row rows[] = {
        {"half a line", "* OK hal", 2},
        {"untagged responses without end", "* OK still here\r\n", 2},
        {"a refused login", "", 1},
    };
    for (const Row& row : rows) {
        std::atomic<int> logins = 0;
        LoopbackServer server(
            [&](Peer& p) {
                p.Send("* OK [CAPABILITY IMAP4rev1 IDLE] hi\r\n");
                const std::string login = p.ReceiveUntil("\r\n");
                const std::string tag = login.substr(0, login.find(' '));
                ++logins;
                if (row.logins == 1) {
                    p.Send(tag + " NO [AUTHENTICATIONFAILED] no\r\n");
                    return (void)p.ReceiveAll();
                }
                p.Send(tag + " OK [CAPABILITY IMAP4rev1 IDLE] in\r\n");
                const std::string examine = p.ReceiveUntil("\r\n");
                p.Send(examine.substr(0, examine.find(' ')) + " OK\r\n");
                p.ReceiveUntil("\r\n");
                p.Send("+ idling\r\n");
                if (logins == 1 && row.afterIdle.ends_with("\n")) {
                    std::string flood; // in large sends: Wine makes each send slow
                    while (flood.size() < 64 * 1024)
                        flood += row.afterIdle;
                    while (p.Send(flood)) {
                    }
                } else if (logins == 1) {
                    p.Send(row.afterIdle);
                }
                p.ReceiveAll();
            },
            row.logins);
        IdleSession session(ClientMakers{}, {25 * 60 * 1000, 300});
        session.Want(IdleAccount{1, On(server)});
        WakeSocket wake;
        using Clock = std::chrono::steady_clock;
        Clock::duration longest{};
        // Until it opened again, or for long enough to see that it does not.
        for (const auto end = Clock::now() + std::chrono::seconds(row.logins == 1 ? 2 : 8);
             Clock::now() < end && logins < 2;) {
            const auto before = Clock::now();
            session.Wait([](int) {}, wake, 20);
            longest = std::max(longest, Clock::now() - before);
        }
        session.End();
        const int seen = logins;
        for (int missing = seen; missing < row.logins; ++missing) { // so that the server ends
            ImapClient stand_in;
            stand_in.Host = "127.0.0.1";
            stand_in.Port = server.port();
            try {
                stand_in.OpenConnection(1000);
            } catch (const ClientError&) {
            }
        }
        server.Received();
        EXPECT_LE(longest, std::chrono::milliseconds(20 + IdleSession::ReadLimitMs + 500))
            << row.what;
        EXPECT_EQ(seen, row.logins) << row.what;
    }
}

// The ids of 30000 unread messages come in one line of about 180 KB.
TEST(ImapScriptTest, AMailboxOfManyUnreadMessagesIsCounted) {
    ScriptedInbox box;
    for (uint32_t uid = 100001; uid <= 130000; ++uid)
        box.unread.emplace_back(uid, HeaderOf("a@example.org", "Many"));
    LoopbackServer server([&](Peer& p) { ServeImap(p, box); });
    const JobListing check = CheckAccount(On(server), nullptr, false);
    ASSERT_TRUE(check.last.outcome);
    EXPECT_EQ(StatusText(*check.last.outcome), "ok: 30000 messages, 30000 new");
}

TEST(ImapScriptTest, AChangedUidValidityMakesEveryMessageNewAgain) {
    const ScriptedInbox box = TwoMessages();
    LoopbackServer before([&](Peer& p) { ServeImap(p, box); });
    const JobListing first = CheckAccount(On(before), nullptr);
    ASSERT_EQ(first.lines.size(), 2u);
    EXPECT_EQ(first.lines[1].uid, "1:9");

    ScriptedInbox renumbered = box;
    renumbered.uidValidity = 2; // the same ids now name other messages
    LoopbackServer after([&](Peer& p) { ServeImap(p, renumbered); });
    const JobListing second = CheckAccount(On(after), first.last.listedAfter);
    EXPECT_EQ(second.lines.size(), 2u);
    EXPECT_EQ(IdsIn(second.last.listedAfter), (ListedIds{"2:7", "2:9"}));
}

TEST(ImapScriptTest, ADeletionExpungesOnlyItsMessageAndOnlyWhereTheServerCan) {
    for (const bool uidplus : {true, false}) {
        ScriptedInbox box = TwoMessages();
        box.capabilities = uidplus ? "IMAP4rev1 UIDPLUS" : "IMAP4rev1";
        LoopbackServer lister([&](Peer& p) { ServeImap(p, box); });
        const ListedMessage line = CheckAccount(On(lister), nullptr).lines.at(1);
        LoopbackServer server([&](Peer& p) { ServeImap(p, box); });
        RunningClient running;
        const DeletionResult result = DeleteListedMessage(
            {1, line.number, line.identity, On(server), line.uid}, {3000, 15000}, running);
        const std::string sent = server.Received();
        EXPECT_TRUE(result.deleted) << uidplus;
        EXPECT_NE(sent.find(" UID STORE 9 +FLAGS.SILENT (\\Deleted)\r\n"), std::string::npos);
        EXPECT_EQ(sent.find(" EXPUNGE\r\n"), std::string::npos) << "never a plain EXPUNGE";
        EXPECT_EQ(sent.find(" UID EXPUNGE 9\r\n") != std::string::npos, uidplus);
        EXPECT_EQ(StatusText(result.outcome),
                  uidplus ? "ok"
                          : "ok; only flagged \\Deleted: the server cannot remove one message "
                            "alone (no UIDPLUS)");
    }
}

// The idle connection: news wakes it; a server without IDLE is left to the periodic checks.
TEST(ImapScriptTest, IdleTellsOfNewsAndLeavesServersWithoutIdleAlone) {
    for (const bool canIdle : {true, false}) {
        ScriptedInbox box = TwoMessages();
        box.capabilities = canIdle ? "IMAP4rev1 IDLE" : "IMAP4rev1";
        LoopbackServer server([&](Peer& p) {
            p.Send("* OK [CAPABILITY " + box.capabilities + "] scripted\r\n");
            const std::string login = p.ReceiveUntil("\r\n");
            p.Send(login.substr(0, login.find(' ')) + " OK [CAPABILITY " + box.capabilities +
                   "] in\r\n");
            if (!canIdle)
                return (void)p.ReceiveAll();
            const std::string examine = p.ReceiveUntil("\r\n");
            p.Send("* 2 EXISTS\r\n" + examine.substr(0, examine.find(' ')) + " OK\r\n");
            const std::string idle = p.ReceiveUntil("\r\n");
            p.Send("+ idling\r\n");
            p.Pause(100);
            p.Send("* 3 EXISTS\r\n");
            p.ReceiveUntil("DONE\r\n");
            p.Send(idle.substr(0, idle.find(' ')) + " OK\r\n");
            ServeImap(p, box); // LOGOUT
        });
        IdleSession session(ClientMakers{});
        session.Want(IdleAccount{2, On(server)});
        WakeSocket wake;
        std::vector<int> news;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (news.empty() && std::chrono::steady_clock::now() < end) {
            session.Wait([&](int account) { news.push_back(account); }, wake, 50);
            if (!canIdle && std::chrono::steady_clock::now() > end - std::chrono::seconds(4))
                break;
        }
        session.End();
        const std::string sent = server.Received();
        EXPECT_EQ(news, canIdle ? std::vector<int>{2} : std::vector<int>{}) << canIdle;
        EXPECT_EQ(sent.find(" IDLE\r\n") != std::string::npos, canIdle);
        if (canIdle) {
            EXPECT_NE(sent.find("DONE\r\n"), std::string::npos) << "the exit ends the idle";
        }
    }
}

// The idle is renewed before a server would drop it; a connection the server ends is opened
// again after a pause, and its account checked, since news may have come meanwhile.
TEST(ImapScriptTest, IdleIsRenewedAndALostConnectionOpensAgainAfterAPause) {
    using Clock = std::chrono::steady_clock;
    int connection = 0;
    Clock::time_point lost, reopened;
    LoopbackServer server(
        [&](Peer& p) {
            if (++connection == 2)
                reopened = Clock::now();
            p.Send("* OK [CAPABILITY IMAP4rev1 IDLE] scripted\r\n");
            for (const char* answer : {" OK [CAPABILITY IMAP4rev1 IDLE] in\r\n", " OK\r\n"}) {
                const std::string command = p.ReceiveUntil("\r\n"); // LOGIN, EXAMINE
                p.Send(command.substr(0, command.find(' ')) + answer);
            }
            for (int idles = 0; idles < 2; ++idles) {
                const std::string idle = p.ReceiveUntil("\r\n");
                p.Send("+ idling\r\n");
                if (connection == 1 && idles == 1) {
                    p.Send("* BYE going down\r\n");
                    lost = Clock::now();
                    return;
                }
                p.ReceiveUntil("DONE\r\n");
                p.Send(idle.substr(0, idle.find(' ')) + " OK\r\n");
            }
            p.ReceiveAll();
        },
        2);
    IdleSession session(ClientMakers{}, {200, 400});
    session.Want(IdleAccount{3, On(server)});
    WakeSocket wake;
    std::vector<int> news;
    for (const auto end = Clock::now() + std::chrono::seconds(5);
         news.empty() && Clock::now() < end;)
        session.Wait([&](int account) { news.push_back(account); }, wake, 20);
    session.End();
    const std::string sent = server.Received();
    EXPECT_EQ(news, std::vector<int>{3});
    EXPECT_GE(reopened - lost, std::chrono::milliseconds(350)) << "opened again after a pause";
    EXPECT_NE(sent.find(" IDLE\r\nDONE\r\nk4 IDLE\r\n"), std::string::npos) << sent;
}

} // namespace
} // namespace kestrel::testing

namespace kestrel::testing {
namespace {

// A server that reports on and on gets its news told at once and then once per gap, and a
// count that does not rise is no news at all.
TEST(ImapScriptTest, AFloodOfExistsIsToldOncePerGap) {
    struct Row {
        const char* what;
        bool rising;
        int told; // within 3.5 s, with a gap of 3 s
    };
    const Row rows[] = {{"counts that rise on and on", true, 2},
                        {"the same count again and again", false, 0}};
    for (const Row& row : rows) {
        LoopbackServer server([&](Peer& p) {
            p.Send("* OK [CAPABILITY IMAP4rev1 IDLE] scripted\r\n");
            for (const char* answer : {" OK [CAPABILITY IMAP4rev1 IDLE] in\r\n", " OK\r\n"}) {
                const std::string command = p.ReceiveUntil("\r\n"); // LOGIN, EXAMINE
                p.Send(std::string(answer == std::string(" OK\r\n") ? "* 5 EXISTS\r\n" : "") +
                       command.substr(0, command.find(' ')) + answer);
            }
            p.ReceiveUntil("\r\n");
            p.Send("+ idling\r\n");
            for (int n = 6; n < 300 && p.Send("* " + std::to_string(row.rising ? n : 5) +
                                               " EXISTS\r\n");
                 ++n)
                p.Pause(10);
            p.ReceiveAll();
        });
        IdleSession session(ClientMakers{}, {25 * 60 * 1000, 2000, 3000});
        session.Want(IdleAccount{1, On(server)});
        WakeSocket wake;
        int told = 0;
        for (const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(3500);
             std::chrono::steady_clock::now() < end;)
            session.Wait([&](int) { ++told; }, wake, 50);
        session.End();
        server.Received();
        EXPECT_EQ(told, row.told) << row.what;
    }
}

} // namespace
} // namespace kestrel::testing
