// The mail watch through the shell, against POP3 servers on loopback.
#include "mail/mail_entry.h"
#include "text/sha256.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"
#include "net/tls_engine.h"
#include "pop3/pop3_client.h"
#include "support/mail_fixture.h"
#include "support/pop3_script.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

namespace kestrel::testing {
namespace {

using enum ControlName;

TEST(MailEntryTest, DisplayTexts) {
    const auto thumbs = [](int n) {
        std::string text;
        while (n-- > 0)
            text += "👍🏽";
        return text;
    };
    struct Row {
        std::string from, subject, shown;
    };
    const Row rows[] = {
        {"Mail Desk <desk@a.b>", "Hello", "Mail Desk : Hello"},
        {"abcdefghijklmnopqrstuvwxyz0123@a.b", "s", "abcdefghijklmnopqrstuvw: s"},
        {"A Rather Long Display Name <x@y.z>", "s", "A Rather Long Display N: s"},
        {"", "No sender", ": No sender"},
        {"a@b.c", std::string(22, 's'), "a@b.c: " + std::string(22, 's')},
        {"a@b.c", std::string(23, 's'), "a@b.c: " + std::string(20, 's') + ".."},
        {"=?utf-8?Q?J=C3=BCrgen_M=C3=BCller?= <j@m.de>", "=?UTF-8?B?R3LDvMOfZSBhdXMgS8O2bG4=?=",
         "\"Jürgen Müller\" : Grüße aus Köln"},
        // Characters are cut whole, with their modifiers, and right-to-left text is isolated.
        {"=?UTF-8?B?0JjQstCw0L0g0J/QtdGC0YDQvtCy0LjRhyDQodC40LTQvtGA0L7Qsg==?= <i@p.ru>",
         "=?UTF-8?B?8J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvfCfkY3wn4+98J+RjfCfj73wn5GN8J+PvQ==?=",
         "\"Иван Петрович Сидоров\": " + thumbs(20) + ".."},
        {"=?UTF-8?B?16nXnNeV150=?= <s@x.il>", "=?UTF-8?B?2YXYsdit2KjYpw==?=",
         "\u2068\"שלום\" \u2069: \u2068مرحبا\u2069"},
    };
    for (const Row& row : rows) {
        MailMessage m;
        m.HeaderLines.Add("From: " + row.from);
        m.HeaderLines.Add("Subject: " + row.subject);
        m.ApplyHeaderFields();
        EXPECT_EQ(DisplayText(m), row.shown) << row.from;
    }
}

TEST(MailEntryTest, IdentityDigestIsSha256) {
    const std::pair<std::string, std::string> rows[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", // padding needs a block
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& [input, hex] : rows) {
        std::string got;
        for (uint8_t byte : Sha256(input)) {
            const char digits[] = "0123456789abcdef";
            got += digits[byte >> 4];
            got += digits[byte & 15];
        }
        EXPECT_EQ(got, hex) << input.size() << " bytes";
    }
}

TEST(MailEntryTest, MailClientCommands) {
    const std::pair<std::string, ProgramStart> rows[] = {
        {"\"C:\\Program Files\\Mail\\mail.exe\" -compose \"%1\"",
         {"C:\\Program Files\\Mail\\mail.exe", "-compose"}},
        {"C:\\mail.exe /m %1", {"C:\\mail.exe", "/m"}},
        {"\"C:\\mail.exe\"", {"C:\\mail.exe", ""}},
        {"mail.exe", {"mail.exe", ""}},
        {"%1", {"", ""}},
        {"", {"", ""}},
    };
    for (const auto& [command, start] : rows)
        EXPECT_EQ(MailClientStart(command), start) << command;
    EXPECT_EQ(WithoutPlaceholderAndQuotes("\"C:\\m.exe\" -x \"%1\" tail"), "C:\\m.exe -x ");
}

std::vector<std::string> NoticeTexts(const FakeRecord& desk) {
    std::vector<std::string> texts;
    for (const FakeRecord::Notification& notice : desk.notifications)
        texts.push_back(notice.text);
    return texts;
}

TEST_F(MailTest, APlainCheckRaisesTheSignalsButListsNothing) {
    Pop3Mailbox box({Mail("a@b.c", "one"), Mail("d@e.f", "two")});
    StartCompact();
    Account(1, box.port());
    desk.log.clear();
    Check();
    EXPECT_TRUE(mail().MailPending());
    EXPECT_TRUE(desk.trayIcons.contains(2));
    EXPECT_TRUE(desk.Visible(MailMarkBox));
    EXPECT_NE(LogIndex("show MailMarkBox"), -1) << "the mark is shown by the check itself";
    EXPECT_TRUE(Lines().empty());
    EXPECT_EQ(mail().SeenCounts()[0], 0) << "only a listing check advances it";
    EXPECT_EQ(box.Commands(), (std::vector<std::string>{"CAPA", "USER user", "PASS pw", "STAT",
                                                        "UIDL", "TOP 1 0", "TOP 2 0", "QUIT"}))
        << "the headers that name the new messages in their notices";
    Check();
    EXPECT_EQ(box.Commands().size(), 14u) << "announced already: counted, not named again";
}

// A plain check names the first new messages: a notice each for up to three, one that counts
// them for more, and never more than three headers asked for, however many came.
TEST_F(MailTest, APlainCheckNamesTheFirstNewMessagesInItsNotices) {
    const auto mails = [](int count) {
        std::vector<Pop3Mailbox::Message> messages;
        for (int n = 1; n <= count; ++n)
            messages.push_back(Mail(n % 2 ? "Ann <ann@a.b>" : "bob@b.c", "Note " + std::to_string(n)));
        return messages;
    };
    const struct {
        int messages;
        std::vector<std::string> notices;
    } rows[] = {
        {1, {"account 1: Ann: Note 1"}},
        {3, {"account 1: Ann: Note 1", "account 1: bob@b.c: Note 2", "account 1: Ann: Note 3"}},
        {4, {"account 1: 4 new messages, first from Ann, bob@b.c"}},
        {20, {"account 1: 20 new messages, first from Ann, bob@b.c"}},
    };
    for (const auto& row : rows) {
        Pop3Mailbox box(mails(row.messages));
        StartCompact();
        desk.notifications.clear();
        Account(1, box.port());
        Check();
        EXPECT_EQ(NoticeTexts(desk), row.notices) << row.messages;
        EXPECT_EQ(std::ranges::count_if(box.Commands(),
                                        [](const std::string& c) { return c.starts_with("TOP"); }),
                  std::min(row.messages, 3));
    }
}

// Headers that do not come leave the count: the check went through, and its notice says so.
TEST_F(MailTest, NewMailWhoseHeadersDoNotComeIsCounted) {
    for (const std::string top : {"-ERR no TOP here\r\n", "+OK\r\nSubject: cut"}) {
        LoopbackServer server([top](Peer& p) {
            p.Send("+OK\r\n");
            for (const char* reply : {"+OK\r\n", "+OK\r\n", "+OK 2 10\r\n"}) {
                OldServerCommand(p);
                p.Send(reply);
            }
            OldServerCommand(p);
            p.Send(top); // and it ends there
        });
        StartCompact();
        desk.notifications.clear();
        Account(1, server.port());
        Check();
        ASSERT_TRUE(mail().States().Newest(1)) << top;
        EXPECT_EQ(StatusText(*mail().States().Newest(1)), "ok: 2 messages, 2 new") << top;
        EXPECT_EQ(NoticeTexts(desk), std::vector<std::string>{"account 1: 2 new messages"}) << top;
    }
}

TEST_F(MailTest, OpeningTheListListsEachNewMessageOnce) {
    Pop3Mailbox box({Mail("Mail Desk <desk@a.b>", "Hello there"), Mail("x@y.z", "Second")});
    StartCompact();
    Account(2, box.port());
    OpenList();
    ASSERT_EQ(Lines().size(), 2u);
    EXPECT_EQ(Lines()[0], "Mail Desk : Hello there") << "only text: no account or number";
    EXPECT_EQ(Lines()[1], "x@y.z: Second");
    EXPECT_EQ(mail().SeenCounts()[1], 2);
    EXPECT_TRUE(mail().MailPending());
    EXPECT_FALSE(desk.trayIcons.contains(2)) << "a listing check adds no icon";
    Click(OkButtonId); // clear and close
    OpenList();        // nothing new since
    EXPECT_TRUE(Lines().empty());
}

TEST_F(MailTest, AShrunkenMailboxCountsAsNewAgainAndTheMailMarkForgetsEverything) {
    Pop3Mailbox box({Mail("a@b.c", "1"), Mail("a@b.c", "2"), Mail("a@b.c", "3")}, 6);
    StartCompact();
    Account(1, box.port());
    OpenList();
    EXPECT_EQ(mail().SeenCounts()[0], 3);
    Tray(1035, TrayMouse::LeftButtonUp); // close
    box.Replace({Mail("a@b.c", "only")});
    Check();
    EXPECT_EQ(mail().SeenCounts()[0], 0);
    Click(MailMarkBoxId); // MailMarkBox: lists everything again, after what is shown
    EXPECT_EQ(mail().SeenCounts()[0], 1);
    EXPECT_EQ(Lines().back().substr(0, 9), "a@b.c: on");
}

TEST_F(MailTest, AFailingSecondFetchKeepsTheFirstLineAndTheCount) {
    LoopbackServer server([](Peer& p) {
        p.Send("+OK\r\n");
        for (const char* reply : {"+OK\r\n", "+OK\r\n", "+OK 2 10\r\n",
                                  "+OK\r\nSubject: first\r\n\r\n.\r\n", "-ERR gone\r\n"}) {
            OldServerCommand(p);
            p.Send(reply);
        }
        p.ReceiveAll();
    });
    StartCompact();
    Account(1, server.port());
    OpenList();
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(mail().SeenCounts()[0], 2);
}

// How the fetch of message 2 of 3 ends in the first listing decides where the second one
// starts: a fetch cut short is asked for again, one the server refused or garbled is not.
TEST_F(MailTest, AFetchCutShortIsAskedForAgainNextTime) {
    const struct {
        const char* name;
        std::string secondTop; // what the first session answers to TOP 2, then it closes
        int pauseMs;           // before that answer
        int32_t seen;
        std::vector<int> relisted;
    } rows[] = {
        {"refused", "-ERR gone\r\n", 0, 2, {3}},
        {"a header line too long",
         "+OK\r\nSubject: " + std::string(20000, 'x') + "\r\n",
         0,
         2,
         {3}},
        {"closed before the reply", "", 0, 1, {2, 3}},
        {"closed inside the header", "+OK\r\nSubject: hal", 0, 1, {2, 3}},
        {"answered after the reply bound",
         "+OK\r\nSubject: 2\r\n\r\n.\r\n",
         MessageClient::ReplyLimitMs + 500,
         1,
         {2, 3}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        int session = 0;
        LoopbackServer server(
            [&](Peer& p) {
                const bool first = session++ == 0;
                p.Send("+OK\r\n");
                for (std::string c = OldServerCommand(p); !c.empty(); c = OldServerCommand(p)) {
                    if (c.starts_with("STAT")) {
                        p.Send("+OK 3 30\r\n");
                    } else if (c.starts_with("TOP 2") && first) {
                        p.Pause(row.pauseMs);
                        p.Send(row.secondTop);
                        return p.Close();
                    } else if (c.starts_with("TOP ")) {
                        p.Send("+OK\r\nSubject: " + c.substr(4, 1) + "\r\n\r\n.\r\n");
                    } else {
                        p.Send("+OK\r\n");
                    }
                }
            },
            2);
        StartCompact();
        Account(1, server.port());
        OpenList();
        ASSERT_EQ(mail().Lines().size(), 1u);
        EXPECT_EQ(mail().SeenCounts()[0], row.seen);
        Click(OkButtonId); // clear and close
        OpenList();
        std::vector<int> relisted;
        for (const MailWatch::MailLine& line : mail().Lines())
            relisted.push_back(line.number);
        EXPECT_EQ(relisted, row.relisted);
        EXPECT_EQ(mail().SeenCounts()[0], 3);
    }
}

// The end of the program while a job talks: the settings are written, the job's conversation
// is cut and its thread joined at once, whatever the server does.
TEST_F(MailTest, AnExitDuringAJobEndsAtOnce) {
    FullListener full;
    LoopbackServer silent([](Peer& p) { p.Pause(2000); });
    for (const uint16_t port : {full.port(), silent.port()}) {
        SCOPED_TRACE(port == full.port() ? "a connect that never completes" : "a silent server");
        settings = FakeSettingsFile{};
        StartCompact();
        Account(1, port);
        app->OnTrayCallback(1035, TrayMouse::LeftButtonUp); // a listing starts
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_FALSE(mail().NoJobs());
        const auto start = std::chrono::steady_clock::now();
        app->OnCommand(CmdExit, 0, false);
        app.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
        EXPECT_EQ(settings.writes, 1);
    }
}

TEST_F(MailTest, BrokenServersDoNotStopTheNextAccount) {
    LoopbackServer nonsense([](Peer& p) {
        p.Send("HELLO\r\n");
        p.ReceiveAll();
    });
    LoopbackServer silent([](Peer& p) { p.Pause(MessageClient::ReplyLimitMs + 500); });
    Pop3Mailbox good({Mail("a@b.c", "works")});
    StartCompact();
    Account(1, ClosedPort());
    Account(2, nonsense.port());
    Account(3, good.port());
    OpenList();
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(mail().Lines()[0].account, 3);
    Tray(1035, TrayMouse::LeftButtonUp);
    Account(2, silent.port());
    const auto start = std::chrono::steady_clock::now();
    Check();
    EXPECT_LT(std::chrono::steady_clock::now() - start,
              std::chrono::milliseconds(MessageClient::ReplyLimitMs + 2000));
    EXPECT_TRUE(mail().MailPending());
}

TEST_F(MailTest, ASocketLayerThatCannotStartFailsOnlyItsOwnWork) {
    Pop3Mailbox box({Mail("a@b.c", "1", "<1@x>")});
    StartCompact();
    Account(1, box.port());
    Account(2, box.port());
    std::atomic<int> made = 0; // the accounts' threads make their clients side by side
    std::atomic<bool> failing = true;
    mail().MakeClientsWith({.pop3 = [&]() -> std::unique_ptr<Pop3Client> {
                                if (failing && made++ == 0)
                                    throw StackStartFailed();
                                return std::make_unique<Pop3Client>();
                            },
                            .imap = {}});
    OpenList();
    ASSERT_EQ(Lines().size(), 1u) << "the other account was still checked";
    made = 0;
    desk.control(MailListBox).selection = 0;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages().size(), 1u);
    EXPECT_EQ(Lines().size(), 1u) << "nothing deleted, the line stays";
    failing = false;
    Menu(CmdDeleteMail);
    EXPECT_TRUE(box.Messages().empty());
}

TEST_F(MailTest, ADeletionRemovesTheLineAndRenumbersTheLaterOnes) {
    Pop3Mailbox box(
        {Mail("a@b.c", "1", "<1@x>"), Mail("a@b.c", "2", "<2@x>"), Mail("a@b.c", "3", "<3@x>")});
    StartCompact();
    Account(1, box.port());
    OpenList();
    desk.control(MailListBox).selection = 1;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages().size(), 2u);
    EXPECT_EQ(box.Messages()[1][1], "Subject: 3");
    EXPECT_EQ(Lines().size(), 2u);
    EXPECT_EQ(mail().SeenCounts()[0], 2);
    ASSERT_EQ(mail().Lines().size(), 2u);
    EXPECT_EQ(mail().Lines()[1].number, 2) << "message 3 is number 2 now";
    desk.control(MailListBox).selection = 1;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages().size(), 1u);
    EXPECT_EQ(box.Messages()[0][1], "Subject: 1");
    EXPECT_EQ(box.Commands().back(), "QUIT");
}

TEST_F(MailTest, AMailboxChangedSinceTheListingDeletesNothing) {
    Pop3Mailbox box({Mail("a@b.c", "1", "<1@x>"), Mail("a@b.c", "2", "<2@x>")});
    StartCompact();
    Account(1, box.port());
    OpenList();
    box.Replace({Mail("a@b.c", "2", "<2@x>")}); // message 1 went elsewhere
    desk.control(MailListBox).selection = 0;
    Menu(CmdDeleteMail);
    EXPECT_EQ(box.Messages().size(), 1u);
    EXPECT_EQ(Lines().size(), 2u) << "the line stays";
    EXPECT_EQ(mail().SeenCounts()[0], 2);
    for (const std::string& command : box.Commands())
        EXPECT_FALSE(command.starts_with("DELE")) << command;
}

TEST_F(MailTest, AListingFillsTheListUnseenAndRepaintsItOnce) {
    Pop3Mailbox box({Mail("a@b.c", "1"), Mail("a@b.c", "2"), Mail("a@b.c", "3")});
    Pop3Mailbox other({Mail("d@e.f", "4")});
    StartCompact();
    Account(1, box.port());
    Account(2, other.port());
    OpenList();
    const auto& list = desk.control(MailListBox);
    EXPECT_EQ(list.items.size(), 4u);
    EXPECT_EQ(list.shownInserts, 0) << "no line was drawn as it came";
    // The lines come in batches as the servers answer: here at most one for each account.
    const int repaints = list.repaintsAfterFill;
    EXPECT_TRUE(repaints == 1 || repaints == 2) << repaints;
    EXPECT_FALSE(list.filling);
    Check();
    EXPECT_EQ(list.repaintsAfterFill, repaints) << "a plain check fills nothing";
}

// A field that names no server fails like an unreachable one: no connection at all.
TEST_F(MailTest, FieldsThatNameNoServerConnectNowhere) {
    std::atomic<int> connections = 0;
    {
        LoopbackServer server(
            [&](Peer& p) {
                ++connections;
                p.ReceiveAll();
            },
            4);
        const std::string port = std::to_string(server.port());
        StartCompact();
        for (const std::string& field :
             std::vector<std::string>{"smtp://127.0.0.1:" + port, "127.0.0.1:" + port + "x",
                                      "pop3s://:" + port, "127.0.0.1:0"}) {
            mail().StoreAccount(1, {field, "user", "pw", true});
            Check();
            EXPECT_EQ(mail().Accounts()[0].server.Text(), field) << "kept as typed";
        }
    }
    EXPECT_EQ(connections, 0);
}

TEST_F(MailTest, DeletingWithoutASelectionDoesNothing) {
    StartCompact();
    desk.log.clear();
    Menu(CmdDeleteMail);
    EXPECT_TRUE(desk.log.empty());
}

TEST_F(MailTest, TheMailClientStartsShownAndTheListIsCleared) {
    Pop3Mailbox box({Mail("a@b.c", "1")});
    StartCompact();
    Account(1, box.port());
    desk.mailtoCommand = "\"C:\\Mail\\mail.exe\" -compose %1";
    OpenList();
    Menu(CmdMailClient);
    ASSERT_EQ(desk.started.size(), 1u);
    EXPECT_EQ(desk.started[0],
              (std::pair<std::string, std::string>{"C:\\Mail\\mail.exe", "-compose"}));
    EXPECT_TRUE(Lines().empty());
    EXPECT_FALSE(mail().MailPending());
    EXPECT_EQ(app->Panel(), PanelState::Compact);
}

TEST_F(MailTest, TheCadenceCountsFromTheLastCheck) {
    Pop3Mailbox box({}, 8);
    StartCompact();
    Account(1, box.port());
    mail().SetPeriodicCheck(true);
    Check(); // an outside check: the count stays 0
    const size_t afterOutside = box.Commands().size();
    for (int i = 0; i < 150; ++i)
        app->OnTimer();
    EXPECT_EQ(box.Commands().size(), afterOutside) << "not before the 151st tick";
    Tick();
    EXPECT_GT(box.Commands().size(), afterOutside);
    EXPECT_EQ(mail().TicksSinceCheck(), 1);
}

// A row's events: an outcome for an account, or the user clearing the list (account 0).
struct Event {
    int account;
    AccountOutcome outcome;
};

TEST(NoticeTest, EachChangeIsAnnouncedOnce) {
    const AccountOutcome ok = SucceededWith(5, 0), three = SucceededWith(8, 3),
                         more = SucceededWith(10, 5);
    const AccountOutcome refused =
        OutcomeOf(std::make_exception_ptr(ReplyError(2, " [AUTH] Authentication failed.\r\n")),
                  MailStep::Login, "h");
    const AccountOutcome silent =
        OutcomeOf(std::make_exception_ptr(ReadTimeout()), MailStep::Stat, "h");
    const AccountOutcome offline = OutcomeOf(
        std::make_exception_ptr(ConnectError(sockets::NetworkUnreachable, "")),
        MailStep::Connect, "h");
    const Event cleared{0, {}};
    const std::string wrong = "account 1: wrong password? server said: -ERR [AUTH] "
                              "Authentication failed.";
    const std::string late = "account 1: timed out: STAT";
    struct Row {
        const char* name;
        std::vector<Event> events;
        std::vector<std::string> notices;
    };
    const Row rows[] = {
        {"new mail where none was pending, not again while it is",
         {{1, three}, {1, three}, {1, more}},
         {"account 1: 3 new messages"}},
        {"new mail after the list was cleared",
         {{1, three}, cleared, {1, more}},
         {"account 1: 3 new messages", "account 1: 5 new messages"}},
        {"one failure is not worth a popup", {{1, ok}, {1, refused}, {1, ok}}, {}},
        {"two in a row are, once",
         {{1, refused}, {1, refused}, {1, refused}, {1, refused}},
         {wrong}},
        {"working again, once",
         {{1, silent}, {1, silent}, {1, ok}, {1, ok}},
         {late, "account 1 works again"}},
        {"another failure is another state",
         {{1, refused}, {1, refused}, {1, silent}, {1, silent}},
         {wrong, late}},
        {"alternating failures are never twice the same",
         {{1, refused}, {1, silent}, {1, refused}, {1, silent}},
         {}},
        {"each account has its own", {{1, refused}, {2, refused}, {1, refused}, {2, ok}}, {wrong}},
        {"working again with new mail",
         {{1, silent}, {1, silent}, {1, three}},
         {late, "account 1 works again", "account 1: 3 new messages"}},
        {"offline is no account's failure, however long",
         {{1, offline}, {1, offline}, {1, offline}, {2, offline}, {2, offline}, {1, ok}},
         {}},
        {"a failure then back to one already announced",
         {{1, refused}, {1, refused}, {1, silent}, {1, refused}},
         {wrong}},
    };
    for (const Row& row : rows) {
        FakeDesktop desk;
        AccountStates states(desk.Ports().controls, desk.Ports().tray,
                             {ThroughputIconId, ThroughputCallback, std::string("NO"), {}});
        for (const Event& event : row.events) {
            if (event.account == 0)
                states.MailTakenNotice();
            else
                states.Take(event.account, event.outcome);
        }
        std::vector<std::string> notices;
        for (const FakeRecord::Notification& n : desk.notifications) {
            EXPECT_EQ(n.icon, ThroughputIconId) << row.name;
            EXPECT_EQ(n.title, "kestrel") << row.name;
            notices.push_back(n.text);
        }
        EXPECT_EQ(notices, row.notices) << row.name;
    }
}

TEST(NoticeTest, TheTooltipKeepsEachAccountsNewestOutcomeWithinItsBytes) {
    FakeDesktop desk;
    AccountStates states(desk.Ports().controls, desk.Ports().tray,
                         {1, 1034, std::string("NO"), {}});
    const auto tip = [&] { return std::string(states.Tooltip().data()); };
    EXPECT_EQ(tip(), "");
    states.Take(2,
                OutcomeOf(std::make_exception_ptr(ReplyError(2, "no\r\n")), MailStep::Login, "h"));
    EXPECT_EQ(tip(), "2: wrong password");
    states.Take(1, SucceededWith(4, 3));
    states.Take(3, SucceededWith(4, 0));
    EXPECT_EQ(tip(), "1: 3 new  2: wrong password  3: ok");
    const AccountOutcome bad = OutcomeOf(
        std::make_exception_ptr(TlsError("x", TlsFailure::UnknownIssuer)), MailStep::Connect, "h");
    for (int account = 1; account <= 3; ++account)
        states.Take(account, bad);
    EXPECT_EQ(tip(), "1: bad certificate  2: bad certificate  3: bad certificate");
    EXPECT_LE(tip().size(), TooltipUnits);
}

// The mail form confirmed: what it changed is checked at once, and it shows.
TEST_F(MailTest, ConfirmingTheFormChecksWhatItChangedAndStartsThePeriodicCheck) {
    Pop3Mailbox box({Mail("a@b.c", "one"), Mail("d@e.f", "two")});
    StartCompact();
    ASSERT_FALSE(mail().PeriodicCheck());
    Menu(CmdConfigMail);
    Type(HostEdit, "127.0.0.1:" + std::to_string(box.port()));
    Type(UserEdit, "user");
    Type(PasswordEdit, "pw");
    desk.control(ActiveCheck).checked = true;
    desk.notifications.clear();
    Click(OkButtonId);
    EXPECT_EQ(box.Commands(), (std::vector<std::string>{"CAPA", "USER user", "PASS pw", "STAT",
                                                        "UIDL", "TOP 1 0", "TOP 2 0", "QUIT"}));
    EXPECT_TRUE(mail().PeriodicCheck());
    EXPECT_EQ(desk.control(StatusLine).text, "ok: 2 messages, 2 new");
    ASSERT_TRUE(desk.trayIcons.contains(MailIconId));
    EXPECT_STREQ(desk.trayIcons.at(MailIconId).tooltip.data(), "1: 2 new");
    EXPECT_EQ(desk.notifications, (std::vector<FakeRecord::Notification>{
                                      {ThroughputIconId, "kestrel", "account 1: a@b.c: one"},
                                      {ThroughputIconId, "kestrel", "account 1: d@e.f: two"}}));

    // Confirmed again unchanged: no check; account 2 chosen and left alone is not checked.
    Menu(CmdConfigMail);
    ClickRadio(AccountRadio2Id);
    EXPECT_EQ(desk.control(StatusLine).text, "") << "account 2 was never checked";
    ClickRadio(AccountRadio1Id);
    EXPECT_EQ(desk.control(StatusLine).text, "ok: 2 messages, 2 new");
    Click(OkButtonId);
    EXPECT_EQ(box.Commands().size(), 8u);
}

TEST_F(MailTest, AnInactiveOrPasswordlessAccountLeavesThePeriodicCheckOff) {
    Pop3Mailbox box({Mail("a@b.c", "one")});
    StartCompact();
    const std::pair<bool, const char*> rows[] = {{false, "pw"}, {true, ""}};
    for (const auto& [active, password] : rows) {
        Menu(CmdConfigMail);
        Type(HostEdit, "127.0.0.1:" + std::to_string(box.port()));
        Type(PasswordEdit, password);
        desk.control(ActiveCheck).checked = active;
        Click(OkButtonId);
        EXPECT_FALSE(mail().PeriodicCheck()) << active << " " << password;
    }
}

// A server that accepts and says nothing holds only its own account: the other's line comes
// while it still waits.
TEST_F(MailTest, ASilentServerHoldsOnlyItsOwnAccount) {
    LoopbackServer silent([](Peer& p) { p.Pause(3000); });
    Pop3Mailbox good({Mail("a@b.c", "here")});
    StartCompact();
    Account(1, silent.port());
    Account(2, good.port());
    const auto start = std::chrono::steady_clock::now();
    app->OnTrayCallback(1035, TrayMouse::LeftButtonUp); // a listing of both starts
    while (Lines().empty() && std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
        desk.posted.WaitForAny(std::chrono::milliseconds(20));
        desk.posted.RunAll();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    ASSERT_EQ(Lines().size(), 1u);
    EXPECT_EQ(mail().Lines()[0].account, 2);
    EXPECT_FALSE(mail().NoJobs()) << "account 1 still waits for its server";
}

// After a sleep or a stop of the process, seen in the clocks of the timer's ticks, every active
// account is checked at once; ticks as usual check nothing before their time.
TEST_F(MailTest, ATickAfterTimeAwayChecksAtOnce) {
    struct Row {
        const char* what;
        int64_t wallAheadMs; // the wall clock moved on that much more than the timer
        int64_t stoppedMs;   // both clocks moved on that much between two ticks
        size_t sessions;
    };
    const Row rows[] = {{"ticks as usual", 0, 0, 0},
                        {"a sleep the monotonic clock left out", 60000, 0, 1},
                        {"a stopped process", 0, 60000, 1}};
    for (const Row& row : rows) {
        Pop3Mailbox box({Mail("a@b.c", "1")});
        StartCompact();
        Account(1, box.port());
        mail().SetPeriodicCheck(true);
        Check();
        app->OnTimer();
        const auto quits = [&] { return std::ranges::count(box.Commands(), "QUIT"); };
        const auto before = quits();
        desk.wallAheadMs += row.wallAheadMs;
        desk.clockMs += row.stoppedMs;
        app->OnTimer();
        Settle();
        EXPECT_EQ(static_cast<size_t>(quits() - before), row.sessions) << row.what;
    }
}

} // namespace
} // namespace kestrel::testing
