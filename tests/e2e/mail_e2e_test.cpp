// The real kestrel.exe against Dovecot on loopback port 110: the new-mail signals, the mail list
// and its two actions, with the server's side seen through a POP3 session of the test's own.
#include <winsock2.h> // before <windows.h>

#include "e2e/kestrel_fixture.h"
#include "support/loopback_server.h"
#include "support/pop3_script.h"

#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>

namespace kestrel::probe {
namespace {

using namespace std::chrono_literals;

// Where the e2e Dovecot listens; the build starts it on these two addresses.
constexpr const char* FirstServer = "127.0.0.3";
constexpr const char* SecondServer = "127.0.0.4";
constexpr int MailIconId = 2;
constexpr WPARAM TimerId = 2;
constexpr COLORREF MailMarkColour = RGB(60, 255, 60), NoMailMarkColour = RGB(0, 90, 0);
constexpr RECT MarkArea{88, 1, 100, 13};
// The mail list's menu is esc, delete, eMail-Client: the steps down that reach each item.
constexpr int DeleteItem = 2, MailClientItem = 3;

struct Account {
    std::string host, user, password;
};

// The first interface and a window away from the screen's edges; the accounts given are active.
std::string SettingsFile(const std::vector<Account>& accounts) {
    std::string text = "100,100,1,3,";
    auto field = [&](const std::string& plain) { text += Scramble(plain) + "\r"; };
    for (size_t i = 0; i < 3; ++i) {
        const Account account = i < accounts.size() ? accounts[i] : Account{};
        field(i < accounts.size() ? "\x02" : "\x01");
        field(account.host);
        field(account.user);
        field(account.password);
    }
    return text;
}

// One list line as kestrel makes it: the display text padded to 48, then account and number.
const std::string PlainLine = "plain@example.org: Plain message";
const std::string EncodedLine = "\"Müller, Jörg\" : Grüße aus Köln";
const std::string FoldedLine = "Folded Sender : A subject that goes ..";

// A POP3 session of the test's own, to see what the server holds.
class Pop3Peek {
  public:
    Pop3Peek(const char* host, const std::string& user, const std::string& password) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(110);
        address.sin_addr.s_addr = inet_addr(host);
        DWORD limit = 5000;
        setsockopt(socket_, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                   sizeof limit);
        if (connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            ReadLine();
            loggedIn_ = Ask("USER " + user).starts_with("+OK") &&
                        Ask("PASS " + password).starts_with("+OK");
        }
    }
    ~Pop3Peek() {
        if (loggedIn_)
            Ask("QUIT");
        closesocket(socket_);
        WSACleanup();
    }

    // The STAT count, or -1.
    int Count() {
        const std::string reply = Ask("STAT");
        return reply.starts_with("+OK ") ? std::atoi(reply.c_str() + 4) : -1;
    }

    std::string MessageId(int number) {
        if (!Ask("TOP " + std::to_string(number) + " 0").starts_with("+OK"))
            return {};
        std::string id;
        for (std::string line = ReadLine(); line != "." && !closed_; line = ReadLine()) {
            if (line.starts_with("Message-Id: "))
                id = line.substr(12);
        }
        return id;
    }

  private:
    std::string Ask(const std::string& command) {
        const std::string bytes = command + "\r\n";
        send(socket_, bytes.data(), static_cast<int>(bytes.size()), 0);
        return ReadLine();
    }

    std::string ReadLine() {
        std::string line;
        char c;
        while (recv(socket_, &c, 1, 0) == 1) {
            if (c == '\n')
                return line.ends_with('\r') ? line.substr(0, line.size() - 1) : line;
            line += c;
        }
        closed_ = true;
        return line;
    }

    SOCKET socket_ = INVALID_SOCKET;
    bool loggedIn_ = false;
    bool closed_ = false;
};

// The mailto handler of the Wine prefix, replaced for one test and put back after it.
class MailtoHandler {
  public:
    explicit MailtoHandler(const std::string& command) {
        Open();
        Set(command);
    }
    // A default value that is no text at all.
    explicit MailtoHandler(DWORD number) {
        Open();
        RegSetValueExA(key_, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                       sizeof number);
    }
    ~MailtoHandler() {
        if (old_)
            Set(*old_);
        else
            RegDeleteValueA(key_, nullptr);
        RegCloseKey(key_);
    }

  private:
    static constexpr const char* Key = "mailto\\shell\\open\\command";
    void Open() {
        RegCreateKeyExA(HKEY_CLASSES_ROOT, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_,
                        nullptr);
        char old[1024] = {};
        DWORD size = sizeof old - 1;
        DWORD type = 0;
        if (RegQueryValueExA(key_, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(old), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            old_ = old;
    }
    void Set(const std::string& command) {
        RegSetValueExA(key_, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                       static_cast<DWORD>(command.size() + 1));
    }
    HKEY key_ = nullptr;
    std::optional<std::string> old_;
};

class MailTest : public KestrelTest {
  protected:
    // Each test starts kestrel itself, with the accounts it needs in its file.
    void SetUp() override {}

    void StartWith(const std::vector<Account>& accounts) {
        process.reset(); // one kestrel at a time: a second one would only say it runs already
        const std::string directory = NewDirectory();
        std::ofstream(directory + "\\kestrel.ini", std::ios::binary) << SettingsFile(accounts);
        process = std::make_unique<Process>("", directory);
        process->OwnDirectory();
        ASSERT_NO_FATAL_FAILURE(FindWindowOfKestrel());
    }

    // The slowest answers of the window until done says so or the time is up: to a message that
    // does nothing, asked every 20 ms, and to a tick of its timer (sent as the timer would send
    // it), which shows how late the 2 s tick can come. Ticks are asked every 500 ms: a tick reads
    // the interface table and updates the tray icon, each a call to another Wine process, and
    // fifty a second would time the load the probe makes, not the window.
    struct AnswerTimes {
        std::chrono::microseconds message{}, tick{};
    };
    AnswerTimes SlowestAnswers(std::chrono::milliseconds limit, const std::function<bool()>& done) {
        using Clock = std::chrono::steady_clock;
        AnswerTimes slowest;
        const auto time = [&](UINT message, WPARAM w, std::chrono::microseconds& worst) {
            const auto before = Clock::now();
            DWORD_PTR ignored = 0;
            EXPECT_NE(SendMessageTimeoutA(window, message, w, 0, SMTO_ABORTIFHUNG, 5000, &ignored),
                      0);
            worst = std::max(worst, std::chrono::duration_cast<std::chrono::microseconds>(
                                        Clock::now() - before));
        };
        auto nextTick = Clock::now();
        for (const auto end = Clock::now() + limit; Clock::now() < end && !done();) {
            time(WM_NULL, 0, slowest.message);
            if (Clock::now() >= nextTick) {
                time(WM_TIMER, TimerId, slowest.tick);
                nextTick = Clock::now() + std::chrono::milliseconds(500);
            }
            Sleep(20);
        }
        return slowest;
    }

    std::vector<std::string> MailLines() { return ListTexts(Kids()[MailListBox].handle); }

    // Whether the tray holds kestrel's icon of that id: only then can it be modified.
    bool InTray(UINT id) {
        NOTIFYICONDATAA record{};
        record.cbSize = NOTIFYICONDATAA_V1_SIZE;
        record.hWnd = window;
        record.uID = id;
        return Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
    }

    void OpenMailList() {
        PostMessageA(window, MailCallback, MailIconId, WM_LBUTTONUP);
        ASSERT_TRUE(HasRect(100, 100, 305, 63)) << Describe(WindowRect(window));
        ASSERT_TRUE(Answers(window));
    }

    // Selects a line as a click does, which opens the mail list's menu, and chooses the item
    // that many steps down in it.
    void ChooseForLine(int index, int item) {
        HWND list = Kids()[MailListBox].handle;
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        // Posted: the menu's loop runs inside the notification's handling.
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(3, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(list));
        HWND menu = WaitForVisibleWindow("#32768", process->id());
        ASSERT_NE(menu, nullptr) << "no mail list menu";
        for (int i = 0; i < item; ++i)
            Press(menu, VK_DOWN);
        Press(menu, VK_RETURN);
        ASSERT_TRUE(Eventually([&] { return !IsWindowVisible(menu); }));
    }

    // kestrel on one account of the first server, its three messages listed.
    void ListThreeMessagesOf(const std::string& user, const std::string& password) {
        ASSERT_NO_FATAL_FAILURE(StartWith({{FirstServer, user, password}}));
        ASSERT_NO_FATAL_FAILURE(OpenMailList());
        Eventually([&] { return MailLines().size() >= 3u; }); // the mail thread lists
        ASSERT_EQ(MailLines().size(), 3u);
    }

    void ExpectTheListClearedAndClosed() {
        EXPECT_TRUE(HasRect(100, 100, 100, 63)) << "the list closes";
        EXPECT_TRUE(MailLines().empty());
    }

    // The chosen command runs after the menu has gone: wait for what it leaves.
    bool LinesBecome(const std::vector<std::string>& lines) {
        return Eventually([&] { return MailLines() == lines; }, 15s);
    }

    bool MarkShows(COLORREF colour) {
        return Eventually([&] { return CountPixels(MarkArea, colour) > 3; }, 5s);
    }
};

// An account whose server field asks for TLS: the listing runs inside it, the certificate
// checked against the Wine prefix's roots, which trust the test root for the run.
TEST_F(MailTest, AnAccountOverTlsListsItsMail) {
    const char* tls = std::getenv("KESTREL_TLS"); // the first TLS port, then the root's file
    ASSERT_NE(tls, nullptr) << "run through ctest, whose fixture starts the TLS servers";
    const std::string server = "pop3s://localhost:" + std::to_string(std::atoi(tls));
    ASSERT_NO_FATAL_FAILURE(StartWith({{server, "carol", "carolpw"}}));
    ASSERT_NO_FATAL_FAILURE(OpenMailList());
    Eventually([&] { return MailLines().size() >= 3u; }, 15s);
    EXPECT_EQ(MailLines(), (std::vector<std::string>{PlainLine, EncodedLine,
                                                     FoldedLine}));
}

// An account without a password set up from the tray menu's sign-in dialog to get its token
// from a command: it logs in over TLS with the token, which the server's introspection endpoint
// judges, by each protocol and each mechanism.
TEST_F(MailTest, TheSignInDialogGivesAnAccountATokenCommandThatLogsIn) {
    const char* tls = std::getenv("KESTREL_TLS");
    ASSERT_NE(tls, nullptr) << "run through ctest, whose fixture starts the TLS servers";
    const struct {
        const char* scheme;
        int portOffset;
        int mechanism; // the dialog's: XOAUTH2, OAUTHBEARER
    } rows[] = {{"pop3s", 0, 0}, {"imaps", 10, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.scheme);
        const std::string server = std::string(row.scheme) + "://localhost:" +
                                   std::to_string(std::atoi(tls) + row.portOffset);
        ASSERT_NO_FATAL_FAILURE(StartWith({{server, "alice", ""}}));
        HWND menu = OpenTrayMenu(400, 300);
        ASSERT_NE(menu, nullptr) << "no tray menu";
        for (int i = 0; i < 4; ++i) // about, go on, config mail, sign-in
            Press(menu, VK_DOWN);
        Press(menu, VK_RETURN);
        HWND dialog = WaitForWindow("kestrelSignIn", "kestrel sign-in", process->id());
        ASSERT_NE(dialog, nullptr) << "no sign-in dialog";
        const auto choose = [&](int field, int index) {
            HWND box = GetDlgItem(dialog, 500 + field);
            SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
            SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(500 + field, CBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(box));
        };
        choose(1, 1); // log in with: token command
        choose(2, row.mechanism);
        HWND command = GetDlgItem(dialog, 503);
        EXPECT_TRUE(IsWindowEnabled(command));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, 504))) << "no client id for a command";
        SendMessageA(command, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("cmd /c echo token-alice"));
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        ASSERT_TRUE(Eventually([&] { return !IsWindow(dialog); }));
        ASSERT_NO_FATAL_FAILURE(OpenMailList());
        Eventually([&] { return MailLines().size() >= 3u; }, 15s);
        EXPECT_EQ(MailLines(), (std::vector<std::string>{PlainLine, EncodedLine, FoldedLine}));
    }
}

// An IMAP account: its unread messages listed, then a message delivered into its Maildir lights
// the mark through the idle connection, long before any periodic check.
TEST_F(MailTest, AnImapAccountListsItsUnreadMailAndHearsOfNewMailAtOnce) {
    const char* dovecot = std::getenv("KESTREL_E2E_DOVECOT"); // the e2e Dovecot's folder
    ASSERT_NE(dovecot, nullptr) << "run through ctest, whose fixture starts Dovecot";
    ASSERT_NO_FATAL_FAILURE(StartWith({{std::string("imap://") + FirstServer, "jack", "jackpw"}}));
    EXPECT_TRUE(MarkShows(MailMarkColour)) << "jack has unread mail";
    ASSERT_NO_FATAL_FAILURE(OpenMailList());
    Eventually([&] { return MailLines().size() >= 3u; }, 15s);
    EXPECT_EQ(MailLines(), (std::vector<std::string>{PlainLine, EncodedLine,
                                                     FoldedLine}));
    ClickOk();
    ExpectTheListClearedAndClosed();
    EXPECT_TRUE(MarkShows(NoMailMarkColour));

    std::this_thread::sleep_for(1s); // the idle connection opens
    const std::string maildir = std::string("Z:") + dovecot + "/mail/jack/Maildir/";
    std::ofstream(maildir + "tmp/2000000001.M1.e2e", std::ios::binary)
        << "From: pushed@example.org\r\nSubject: Pushed\r\n\r\nBody.\r\n";
    ASSERT_TRUE(MoveFileA((maildir + "tmp/2000000001.M1.e2e").c_str(),
                          (maildir + "new/2000000001.M1.e2e").c_str()));
    EXPECT_TRUE(MarkShows(MailMarkColour)) << "the mark lights within 5 s of the delivery";
    ASSERT_NO_FATAL_FAILURE(OpenMailList());
    // Its number is its place among the unread messages.
    EXPECT_TRUE(LinesBecome({"pushed@example.org: Pushed"}));
}

TEST_F(MailTest, NewMailRaisesTheSignalsAndTheListShowsEachMessage) {
    ASSERT_NO_FATAL_FAILURE(
        StartWith({{FirstServer, "alice", "alicepw"}, {SecondServer, "bob", "bobpw"}}));
    EXPECT_TRUE(Eventually([&] { return Kids()[MailMarkBox].visible(); }));
    EXPECT_TRUE(Eventually([&] { return InTray(MailIconId); })) << "the mail icon";
    EXPECT_TRUE(MarkShows(MailMarkColour)) << "the @ mark lights up";

    ASSERT_NO_FATAL_FAILURE(OpenMailList());
    Eventually([&] { return MailLines().size() >= 5u; }, 15s);
    EXPECT_EQ(MailLines(), (std::vector<std::string>{PlainLine, EncodedLine,
                                                     FoldedLine, PlainLine,
                                                     FoldedLine}));

    ClickOk();
    ExpectTheListClearedAndClosed();
    EXPECT_FALSE(InTray(MailIconId)) << "the mail icon is gone";
    EXPECT_TRUE(MarkShows(NoMailMarkColour)) << "the @ mark goes dark";

    ASSERT_NO_FATAL_FAILURE(OpenMailList()); // everything seen was listed: nothing new
    std::this_thread::sleep_for(2s);         // the time a listing of Dovecot takes, and more
    EXPECT_TRUE(MailLines().empty());
}

// Servers that accept and never answer: the window comes as fast as without them, and answers
// at once while the mail thread waits on them.
TEST_F(MailTest, SilentServersNeitherDelayTheStartNorHoldTheWindow) {
    using Clock = std::chrono::steady_clock;
    auto start = Clock::now();
    ASSERT_NO_FATAL_FAILURE(StartWith({}));
    const auto alone = Clock::now() - start;
    const auto silent = [](testing::Peer& p) { p.Pause(6000); };
    testing::LoopbackServer one(silent), two(silent), three(silent);
    std::vector<Account> accounts;
    for (const testing::LoopbackServer* server : {&one, &two, &three})
        accounts.push_back({"127.0.0.1:" + std::to_string(server->port()), "u", "p"});
    start = Clock::now();
    ASSERT_NO_FATAL_FAILURE(StartWith(accounts));
    const auto withSilent = Clock::now() - start;
    const AnswerTimes slowest = SlowestAnswers(5s, [] { return false; });
    EXPECT_LT(withSilent, alone + 500ms);
    EXPECT_LT(slowest.message, 50ms);
    EXPECT_LT(slowest.tick, 100ms);
    std::printf("  start %lld ms alone, %lld ms with three silent servers; slowest answer %lld us, "
                "slowest tick %lld us\n",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(alone).count()),
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::milliseconds>(withSilent).count()),
                static_cast<long long>(slowest.message.count()),
                static_cast<long long>(slowest.tick.count()));
}

// A thousand messages listed from a quick server, then one deleted on a server that takes its
// time over DELE: the lines show as they come, and the window answers at once throughout.
TEST_F(MailTest, AThousandLinesAndASlowDeletionNeverHoldTheWindow) {
    constexpr int Count = 1000;
    testing::LoopbackServer server(
        [](testing::Peer& p) {
            p.Send("+OK\r\n");
            for (std::string c = testing::OldServerCommand(p); !c.empty();
                 c = testing::OldServerCommand(p)) {
                if (c.starts_with("STAT")) {
                    p.Send("+OK " + std::to_string(Count) + " 99\r\n");
                } else if (c.starts_with("TOP ")) {
                    const std::string n = c.substr(4, c.find(' ', 4) - 4);
                    p.Send("+OK\r\nFrom: a@b.c\r\nSubject: " + n + "\r\n\r\n.\r\n");
                } else if (c.starts_with("DELE ")) {
                    p.Pause(3000);
                    p.Send("+OK\r\n");
                } else if (c.starts_with("QUIT")) {
                    p.Send("+OK\r\n");
                    return;
                } else {
                    p.Send("+OK\r\n");
                }
            }
        },
        3);
    ASSERT_NO_FATAL_FAILURE(StartWith({{"127.0.0.1:" + std::to_string(server.port()), "u", "p"}}));
    ASSERT_NO_FATAL_FAILURE(OpenMailList());
    HWND list = Kids()[MailListBox].handle;
    const auto count = [&] { return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0)); };
    const AnswerTimes listing = SlowestAnswers(60s, [&] { return count() >= Count; });
    ASSERT_EQ(count(), Count);
    EXPECT_LT(listing.message, 50ms);
    EXPECT_LT(listing.tick, 100ms);
    const std::string second = MailLines()[1];
    ASSERT_NO_FATAL_FAILURE(ChooseForLine(0, DeleteItem));
    const AnswerTimes deleting = SlowestAnswers(15s, [&] { return count() == Count - 1; });
    EXPECT_EQ(count(), Count - 1);
    EXPECT_EQ(MailLines()[0].substr(0, 40), second.substr(0, 40));
    EXPECT_LT(deleting.message, 50ms);
    EXPECT_LT(deleting.tick, 100ms);
    std::printf("  while listing %d lines: slowest answer %lld us, slowest tick %lld us; while "
                "deleting: %lld us, %lld us\n",
                Count, static_cast<long long>(listing.message.count()),
                static_cast<long long>(listing.tick.count()),
                static_cast<long long>(deleting.message.count()),
                static_cast<long long>(deleting.tick.count()));
}

TEST_F(MailTest, DeleteRemovesTheMessageOfTheChosenLineOnTheServer) {
    ASSERT_NO_FATAL_FAILURE(ListThreeMessagesOf("carol", "carolpw"));

    ASSERT_NO_FATAL_FAILURE(ChooseForLine(0, DeleteItem));
    EXPECT_TRUE(LinesBecome({EncodedLine, FoldedLine}));
    // The last line's message is number 2 on the server now, and that is the one deleted.
    ASSERT_NO_FATAL_FAILURE(ChooseForLine(1, DeleteItem));
    EXPECT_TRUE(LinesBecome({EncodedLine}));

    Pop3Peek server(FirstServer, "carol", "carolpw");
    EXPECT_EQ(server.Count(), 1);
    EXPECT_EQ(server.MessageId(1), "<two@example.org>");
}

TEST_F(MailTest, MailClientStartRunsTheHandlerShownAndClearsTheList) {
    MailtoHandler handler("\"" + MailHandlerPath + "\" -compose \"%1\"");
    ASSERT_NO_FATAL_FAILURE(ListThreeMessagesOf("alice", "alicepw"));

    ASSERT_NO_FATAL_FAILURE(ChooseForLine(2, MailClientItem));
    ExpectTheListClearedAndClosed();
    const std::string notes = process->directory() + "\\mail_handler.txt";
    std::string started; // complete once its last line has ended
    ASSERT_TRUE(Eventually([&] { return (started = ReadFile(notes)).ends_with("\n"); }, 10s));
    EXPECT_NE(started.find("mail_handler.exe"), std::string::npos) << started;
    EXPECT_NE(started.find(" -compose\nshow 1\n"), std::string::npos) << started;
    EXPECT_TRUE(MarkShows(NoMailMarkColour));
}

TEST_F(MailTest, AHandlerThatIsNoTextStartsNothingAndStillClearsTheList) {
    MailtoHandler handler(DWORD{42});
    ASSERT_NO_FATAL_FAILURE(ListThreeMessagesOf("alice", "alicepw"));

    ASSERT_NO_FATAL_FAILURE(ChooseForLine(0, MailClientItem));
    ExpectTheListClearedAndClosed();
    EXPECT_TRUE(process->Running());
    EXPECT_TRUE(Answers(window));
}

} // namespace
} // namespace kestrel::probe
