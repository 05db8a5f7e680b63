// POP3 over TLS against Dovecot with the test certificates (one server per certificate on
// 127.0.0.1, then one that speaks TLS 1.0 only; KESTREL_TLS holds the first port and the test
// root's file, which natively is trusted through OpenSSL's SSL_CERT_FILE, as a system root would
// be), and against scripted peers that are no TLS server at all.
#include "app/token_sources.h"
#include "imap/imap_client.h"
#include "mail/mail_entry.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"
#include "net/tls_engine.h"
#include "pop3/pop3_client.h"
#include "support/loopback_server.h"
#include "support/pop3_script.h"
#include "support/shell_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <tuple>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <netdb.h>
#include <sys/socket.h>
#endif

struct hostent; // the platform's host entry; the stand-in only ever returns none

namespace kestrel::testing {
namespace {

using enum ControlName;
using Clock = std::chrono::steady_clock;

enum Server { Good, WrongName, Expired, Untrusted, NoChain, Tls10 };

std::string Setting() {
    const char* value = std::getenv("KESTREL_TLS");
    return value ? value : "";
}

int PortOf(Server server) {
    return Setting().empty() ? 0 : std::atoi(Setting().c_str()) + static_cast<int>(server);
}

// A file of the fixture's folder, in which the certificates' folder lies.
std::string FixtureFile(const std::string& name) {
    const std::string root = Setting().substr(Setting().find(',') + 1);
    return root.substr(0, root.rfind("/certs/")) + "/" + name;
}

// What the server of that certificate logged: each connection's end names the user, if any
// came (the servers' folders lie beside the certificates').
std::string LogOf(Server server) {
    static const char* names[] = {"good", "wrongname", "expired", "untrusted", "nochain", "tls10"};
    std::string path = FixtureFile(std::string(names[server]) + "/dovecot.log");
#ifdef _WIN32
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
#endif
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A client for localhost over TLS, as alice unless told otherwise.
std::unique_ptr<Pop3Client> Client(int port, const std::string& user = "alice") {
    auto pop = std::make_unique<Pop3Client>();
    pop->Host = "localhost";
    pop->Port = port;
    pop->UseTls = true;
    pop->Username = user;
    pop->Password = user + "pw";
    return pop;
}

class TlsTest : public ShellTest {
  protected:
    void SetUp() override {
        if (PortOf(Good) == 0)
            GTEST_FAIL() << "KESTREL_TLS is not set: run through ctest, whose fixture starts "
                            "the servers";
#ifndef _WIN32
        setenv("SSL_CERT_FILE", Setting().substr(Setting().find(',') + 1).c_str(), 1);
        // OpenSSL's own default would refuse TLS 1.0 for the client; this one would not.
        setenv("OPENSSL_CONF", FixtureFile("client.cnf").c_str(), 1);
#endif
    }

    // STARTTLS on the good server's plain ports, which take a login only over TLS.
    void ListsAndDeletes(const std::string& server, const std::string& user) {
        StartCompact();
        app->Mail().StoreAccount(1, {server, user, user + "pw", true});
        Tray(MailCallback, TrayMouse::LeftButtonUp);
        ASSERT_EQ(desk.control(MailListBox).items.size(), 3u) << server;
        desk.control(MailListBox).selection = 0;
        Menu(CmdDeleteMail);
        EXPECT_EQ(desk.control(MailListBox).items.size(), 2u) << server;
        EXPECT_EQ(StatusText(*app->Mail().States().Newest(1)), "ok: 2 messages, 2 new") << server;
    }
};

TEST_F(TlsTest, AGoodCertificateCarriesTheWholeSession) {
    const auto pop = Client(PortOf(Good));
    pop->OpenConnection(3000);
    EXPECT_EQ(pop->CountMessages(), 3);
    MailMessage message;
    pop->FetchHeader(2, message);
    EXPECT_EQ(message.Subject, "Grüße aus Köln");
    pop->CloseConnection();
}

TEST_F(TlsTest, EveryBadCertificateOrOldProtocolEndsTheConnectionBeforeTheLogin) {
#ifdef _WIN32 // what the chain status, the SSL policy or the handshake says
    const std::pair<Server, const char*> rows[] = {
        {WrongName, "certificate 0x800B010F"},       // the name does not match
        {Expired, "certificate chain 0x00000001"},   // not valid at this time
        {Untrusted, "certificate chain 0x00010000"}, // the chain ends at no trusted root
        {NoChain, "certificate chain 0x00010000"},
        {Tls10, "handshake failed 0x80090304"}, // Wine's word for a hello below TLS 1.2
    };
#else // OpenSSL's words
    const std::pair<Server, const char*> rows[] = {
        {WrongName, "hostname mismatch"},
        {Expired, "certificate has expired"},
        {Untrusted, "unable to get local issuer certificate"},
        {NoChain, "unable to get local issuer certificate"},
        {Tls10, "the server closed the connection during the handshake"}, // at our offer
    };
#endif
    for (const auto& [server, reason] : rows) {
        const auto pop = Client(PortOf(server));
        // The failure comes from the connect itself: no command can have been sent.
        try {
            pop->OpenConnection(3000);
            ADD_FAILURE() << "server " << server << " was accepted";
        } catch (const TlsError& failure) {
            EXPECT_NE(std::string(failure.what()).find(reason), std::string::npos)
                << failure.what();
        }
        EXPECT_FALSE(pop->IsConnected());
        std::string log = LogOf(server); // written once the server saw the connection end
        for (int i = 0; i < 40 && log.find("no auth attempts") == std::string::npos; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            log = LogOf(server);
        }
        EXPECT_NE(log.find("no auth attempts"), std::string::npos) << log;
        EXPECT_EQ(log.find("user=<alice>"), std::string::npos) << "the server heard the user";
    }
}

// After the greeting the server waits for a command: a read then waits in the TLS layer until
// another thread aborts it.
TEST_F(TlsTest, AbortEndsAReadThatWaitsForTheServer) {
    const auto pop = Client(PortOf(Good));
    pop->OpenConnection(3000);
    const Clock::time_point start = Clock::now();
    std::thread aborter([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pop->Abort();
    });
    EXPECT_THROW(pop->ReadLine("\n", 5000), Aborted);
    const auto took = Clock::now() - start;
    aborter.join();
    EXPECT_GE(took, std::chrono::milliseconds(190));
    EXPECT_LT(took, std::chrono::milliseconds(500));
    EXPECT_THROW(pop->CountMessages(), Aborted);
    EXPECT_THROW(pop->CloseConnection(), Aborted) << "its QUIT"; // the socket is closed anyway
    EXPECT_FALSE(pop->IsConnected());
}

// The peer's side of a connection that must fail: what it received, and how long the client
// took to give up.
struct Outcome {
    std::string received;
    Clock::duration took;
};

Outcome ConnectTo(LoopbackServer::Script script) {
    Outcome outcome;
    LoopbackServer peer(std::move(script));
    const auto pop = Client(peer.port());
    const Clock::time_point start = Clock::now();
    EXPECT_THROW(pop->OpenConnection(3000), TlsError);
    outcome.took = Clock::now() - start;
    pop->CloseConnection();
    outcome.received = peer.Received();
    return outcome;
}

TEST_F(TlsTest, PeersThatAreNoTlsServerFailInTimeAndHearNoLogin) {
    using std::chrono::milliseconds;
    const std::pair<const char*, LoopbackServer::Script> rows[] = {
        {"a plain POP3 server",
         [](Peer& p) {
             p.Send("+OK ready\r\n");
             p.ReceiveAll();
         }},
        {"a peer that closes in the middle of the handshake",
         [](Peer& p) { p.ReceiveUntil("localhost"); }},
        {"a peer that stops answering in the middle of the handshake",
         [](Peer& p) {
             p.ReceiveUntil("localhost");
             p.ReceiveAll();
         }},
    };
    for (const auto& [name, script] : rows) {
        const Outcome outcome = ConnectTo(script);
        ASSERT_FALSE(outcome.received.empty()) << name;
        EXPECT_EQ(outcome.received[0], '\x16') << name << ": a handshake record came first";
        EXPECT_EQ(outcome.received.find("USER"), std::string::npos) << name;
        EXPECT_EQ(outcome.received.find("alicepw"), std::string::npos) << name;
        EXPECT_LT(outcome.took, milliseconds(5000 + 1500)) << name;
    }
}

// Through the mail watch, as an account whose server field asks for TLS.
TEST_F(TlsTest, TheMailListFillsAndADeletionRemovesTheListedMessage) {
    StartCompact();
    app->Mail().StoreAccount(
        1, {"pop3s://localhost:" + std::to_string(PortOf(Good)), "bob", "bobpw", true});
    Tray(MailCallback, TrayMouse::LeftButtonUp);
    const auto& lines = desk.control(MailListBox).items;
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].substr(0, 38), "Folded Sender : A subject that goes ..");
    desk.control(MailListBox).selection = 0;
    Menu(CmdDeleteMail);
    EXPECT_EQ(lines.size(), 1u) << "line 1 went with its message";
    const auto pop = Client(PortOf(Good), "bob");
    pop->OpenConnection(3000);
    ASSERT_EQ(pop->CountMessages(), 1);
    MailMessage left;
    pop->FetchHeader(1, left);
    EXPECT_EQ(left.Subject, "A subject that goes on and on");
    pop->CloseConnection();
}

// IMAP over TLS on the same transport and certificate checks.
TEST_F(TlsTest, AnImapAccountOverTlsListsAndDeletes) {
    StartCompact();
    const std::string server = "imaps://localhost:" + std::to_string(PortOf(Good) + 10);
    app->Mail().StoreAccount(1, {server, "ivy", "ivypw", true});
    Tray(MailCallback, TrayMouse::LeftButtonUp);
    const auto& lines = desk.control(MailListBox).items;
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].substr(0, 38), "Folded Sender : A subject that goes ..");
    desk.control(MailListBox).selection = 0;
    Menu(CmdDeleteMail);
    EXPECT_EQ(lines.size(), 2u) << "line 1 went with its message";
    EXPECT_EQ(StatusText(*app->Mail().States().Newest(1)), "ok: 2 messages, 2 new");
    // A wrong certificate name fails IMAP as it fails POP3.
    app->Mail().StoreAccount(
        1, {"imaps://127.0.0.1:" + std::to_string(PortOf(Good) + 10), "ivy", "ivypw", true});
    app->Mail().CheckAccounts({1});
    Settle();
    EXPECT_EQ(StatusText(*app->Mail().States().Newest(1)), "certificate: for another name");
}

#ifdef _WIN32
#define STAND_IN_API __stdcall
#else
#define STAND_IN_API
#endif

// No such host; or, for a name under "offline.", no name server within reach.
::hostent* STAND_IN_API FailingLookup(const char* name) {
    sockets::SetLastError(std::string_view(name).starts_with("offline.") ? sockets::TryAgain
                                                                         : sockets::HostNotFound);
    return nullptr;
}

// What the account's status line says after a check against each kind of peer that fails it.
TEST_F(TlsTest, EachFailureShowsWhyInTheStatusLine) {
    const auto tls = [](Server server) {
        return "pop3s://localhost:" + std::to_string(PortOf(server));
    };
    LoopbackServer plain([](Peer& p) {
        p.Send("+OK ready\r\n");
        p.ReceiveAll();
    });
    LoopbackServer silent([](Peer& p) { p.ReceiveAll(); });
    // Microsoft's answer to any password since it takes none: not a wrong password.
    LoopbackServer blocked([](Peer& p) {
        p.Send("+OK\r\n");
        for (std::string c = OldServerCommand(p); !c.empty(); c = OldServerCommand(p))
            p.Send(c.starts_with("PASS") ? "-ERR AuthFailed:LogonDenied-BasicAuthBlocked\r\n" : "+OK\r\n");
    });
    struct Row {
        std::string field, password, status;
    };
    const Row rows[] = {
        {tls(Good), "wrong", "wrong password? server said: -ERR [AUTH] Authentication failed."},
        {tls(Untrusted), "alicepw", "certificate: unknown issuer"},
        {tls(NoChain), "alicepw", "certificate: unknown issuer"},
        {tls(WrongName), "alicepw", "certificate: for another name"},
        {tls(Expired), "alicepw", "certificate: expired"},
        {tls(Tls10), "alicepw", "the server refused TLS 1.2 and newer"},
        {"pop3s://127.0.0.1:" + std::to_string(plain.port()), "alicepw",
         "the server does not speak TLS"},
        {"127.0.0.1:" + std::to_string(ClosedPort()), "alicepw",
         "cannot connect: Verbindung abgelehnt. (10061)"},
        {"127.0.0.1:" + std::to_string(silent.port()), "alicepw", "timed out: greeting/login"},
        {"127.0.0.1:" + std::to_string(blocked.port()), "alicepw",
         "sign-in needed: this provider takes OAuth sign-in, no password"},
        {"pop.example.org", "alicepw", "cannot resolve pop.example.org"},
        {"offline.example.org", "alicepw", "offline"},
        {tls(Good), "alicepw", "ok: 3 messages, 3 new"},
    };
    StartCompact();
    sockets::BindEntry("gethostbyname", reinterpret_cast<void*>(&FailingLookup));
    for (const Row& row : rows) {
        app->Mail().StoreAccount(1, {row.field, "alice", row.password, true});
        app->Mail().CheckAccounts({1});
        Settle();
        EXPECT_EQ(desk.control(StatusLine).text, row.status) << row.field;
    }
    sockets::BindEntry("gethostbyname", nullptr);
}

TEST_F(TlsTest, Pop3WithStartTlsListsAndDeletes) {
    ListsAndDeletes("pop3+starttls://localhost:" + std::to_string(PortOf(Good) + 30), "gail");
}

TEST_F(TlsTest, ImapWithStartTlsListsAndDeletes) {
    ListsAndDeletes("imap+starttls://localhost:" + std::to_string(PortOf(Good) + 31), "jack");
}

// Every name is this machine here, so that a name other than localhost reaches a loopback peer.
::hostent* STAND_IN_API LoopbackLookup(const char*) {
    static uint8_t address[4] = {127, 0, 0, 1};
    static char* addresses[] = {reinterpret_cast<char*>(address), nullptr};
    static ::hostent entry{};
    entry.h_addrtype = AF_INET;
    entry.h_length = 4;
    entry.h_addr_list = addresses;
    return &entry;
}

// Sends the greeting, then one answer per command line; then, where told, plain text where the
// answer to the client's TLS hello belongs.
LoopbackServer::Script Answering(std::vector<std::string> answers, bool plainAfterHello = false) {
    return [=](Peer& p) {
        p.Send(answers.front());
        for (size_t i = 1; i < answers.size() && !p.ReceiveUntil("\r\n").empty(); ++i)
            p.Send(answers[i]);
        if (plainAfterHello && !p.ReceiveUntil(std::string("\x16\x03", 2)).empty())
            p.Send("* OK [ALERT] call 555-0100\r\n");
        p.ReceiveAll();
    };
}

// What an attacker on the path tries before TLS: each ends the check before the user name is
// sent, in kestrel's own words, none of the server's. Plain text beyond this machine says so.
TEST_F(TlsTest, StartTlsEndsSafelyAndPlainTextSaysSo) {
    const std::string pop = "+OK [IN-USE] call 555-0100\r\n", stls = "+OK\r\nSTLS\r\n.\r\n";
    const std::string imap = "* OK [ALERT] call 555-0100\r\n",
                      starttls = "* CAPABILITY IMAP4rev1 STARTTLS\r\nk1 OK\r\n";
    const std::string popTls = "pop3+starttls://mail.example.org",
                      imapTls = "imap+starttls://mail.example.org";
    const std::string injected = "STARTTLS: the server sent more than its go-ahead",
                      notOffered = "the server offers no STARTTLS",
                      refused = "the server refused STARTTLS";
    const std::tuple<std::string, LoopbackServer::Script, std::string> rows[] = {
        {popTls, Answering({pop, stls, "+OK go\r\n+OK injected\r\n"}), injected},
        {popTls, Answering({pop, "+OK\r\nUSER\r\n.\r\n"}), notOffered},
        {popTls, Answering({pop, stls, "-ERR call 555-0100\r\n"}), refused},
        {imapTls, Answering({imap, starttls, "k2 OK go\r\n* CAPABILITY IMAP4rev1\r\n"}), injected},
        {imapTls, Answering({imap, "* CAPABILITY IMAP4rev1\r\nk1 OK\r\n"}), notOffered},
        {imapTls, Answering({imap, starttls, "k2 NO [ALERT] call 555-0100\r\n"}), refused},
        {imapTls, Answering({"* PREAUTH [CAPABILITY IMAP4rev1 STARTTLS] in\r\n"}),
         "STARTTLS: the server logged in without TLS"},
        {imapTls, Answering({imap, starttls, "k2 OK\r\n"}, true), "the server does not speak TLS"},
        {"mail.example.org", Answering({pop, "-ERR\r\n", "+OK\r\n", "-ERR no\r\n"}),
         "wrong password? server said: -ERR no; not encrypted"},
    };
    StartCompact();
    sockets::BindEntry("gethostbyname", reinterpret_cast<void*>(&LoopbackLookup));
    for (const auto& [field, script, status] : rows) {
        LoopbackServer peer(script);
        app->Mail().StoreAccount(
            1, {field + ":" + std::to_string(peer.port()), "alice", "alicepw", true});
        app->Mail().CheckAccounts({1});
        Settle();
        EXPECT_EQ(desk.control(StatusLine).text, status) << field;
        const std::string tooltip = app->Mail().States().Tooltip().data();
        EXPECT_EQ(tooltip.ends_with(", plain"), status.ends_with("; not encrypted")) << tooltip;
        const bool startTls = field.find("starttls") != std::string::npos;
        EXPECT_FALSE(startTls && peer.Received().find("alice") != std::string::npos) << status;
    }
    sockets::BindEntry("gethostbyname", nullptr);
}

// Sign-in tokens over IMAP and POP3 with each mechanism, judged by the server's introspection
// endpoint: a good token logs in (one too long for POP3's command line waits for the server's
// go-ahead), a refused one is the server's refusal once its challenge was answered, and a
// connection without TLS never carries one, though the server would take it.
TEST_F(TlsTest, TokensLogInWithEachMechanismOnlyOverTls) {
    using sasl::Mechanism;
    struct Row {
        bool imap, tls;
        Mechanism mechanism;
        std::string token;
        FailureCause failure; // Other: none
    };
    const std::string longToken = "token-alice." + std::string(300, 'x');
    const Row rows[] = {
        {true, true, Mechanism::XOAuth2, "token-alice", FailureCause::Other},
        {true, true, Mechanism::OAuthBearer, "token-alice", FailureCause::Other},
        {false, true, Mechanism::XOAuth2, "token-alice", FailureCause::Other},
        {false, true, Mechanism::OAuthBearer, longToken, FailureCause::Other},
        {true, false, Mechanism::XOAuth2, "token-alice", FailureCause::NoLogin},
        {false, false, Mechanism::OAuthBearer, "token-alice", FailureCause::NoLogin},
        {true, true, Mechanism::XOAuth2, "revoked", FailureCause::Refused},
        {false, true, Mechanism::XOAuth2, "revoked", FailureCause::Refused},
        {true, true, Mechanism::OAuthBearer, "revoked", FailureCause::Refused},
        {false, true, Mechanism::OAuthBearer, "revoked", FailureCause::Refused},
    };
    for (const Row& row : rows) {
        const std::string what = std::string(row.imap ? "IMAP " : "POP3 ") +
                                 std::string(sasl::Name(row.mechanism)) +
                                 (row.tls ? " " : " without TLS ") + row.token.substr(0, 12);
        std::unique_ptr<TcpClient> client;
        if (row.imap) {
            auto imap = std::make_unique<ImapClient>();
            imap->Port = PortOf(Good) + (row.tls ? 10 : 31);
            imap->Username = "alice";
            imap->Password = row.token;
            imap->Mechanism = row.mechanism;
            client = std::move(imap);
        } else {
            auto pop = Client(PortOf(Good) + (row.tls ? 0 : 30));
            pop->Password = row.token;
            pop->Mechanism = row.mechanism;
            client = std::move(pop);
        }
        client->Host = "localhost";
        client->UseTls = row.tls;
        FailureCause failure = FailureCause::Other;
        try {
            client->OpenConnection(3000);
            client->CloseConnection();
        } catch (const ClientError& error) {
            failure = error.Cause().cause;
        }
        EXPECT_EQ(failure, row.failure) << what;
    }
}

// Accounts that log in with a token, through the shell to the status line: the token command's
// and the built-in sign-in's answers stood in for, each counted. A token the server refuses is
// asked for once more, renewed where the source can, and never a third time.
TEST_F(TlsTest, EachTokenSourceLogsInOrSaysWhyNot) {
    using Source = SignInSettings::Source;
    struct Row {
        bool imap;
        Source source;
        TokenAnswer answer;
        std::string status;
        int asked;
    };
    const TokenAnswer good{TokenAnswer::Kind::Token, "token-alice", {}};
    const TokenAnswer revoked{TokenAnswer::Kind::Token, "revoked", {}};
    const Row rows[] = {
        {false, Source::Command, good, "ok: 3 messages, 3 new", 1},
        {true, Source::Provider, good, "ok: 3 messages, 3 new", 1},
        {false, Source::Command, revoked,
         "token command failed: the server refused the token: -ERR [AUTH] Authentication failed.",
         2},
        {true, Source::Provider, revoked,
         "sign-in needed: the server refused the token: NO [AUTHENTICATIONFAILED] Authentication "
         "failed.",
         2},
        {false, Source::Command, {TokenAnswer::Kind::Failed, {}, "exit code 1"},
         "token command failed: exit code 1", 1},
        {true, Source::Command, {TokenAnswer::Kind::TimedOut, {}, {}},
         "token command failed: no token within 10 s", 1},
        {false, Source::Command, {TokenAnswer::Kind::Empty, {}, {}},
         "token command failed: no token in its output", 1},
        {false, Source::Provider, {TokenAnswer::Kind::SignInNeeded, {}, {}}, "sign-in needed", 1},
        {true, Source::Provider, {TokenAnswer::Kind::SignInExpired, {}, {}}, "sign-in expired", 1},
    };
    StartCompact();
    for (const Row& row : rows) {
        int asked = 0;
        const auto answer = [&](auto&&...) {
            ++asked;
            return row.answer;
        };
        app->Mail().MakeClientsWith({.pop3 = {}, .imap = {}, .tokens = TokenSources(answer, answer)});
        AccountRecord account{(row.imap ? "imaps://localhost:" : "pop3s://localhost:") +
                                  std::to_string(PortOf(Good) + (row.imap ? 10 : 0)),
                              "alice", "", true};
        account.signIn.source = row.source;
        account.signIn.command = "kestrel-token alice";
        app->Mail().StoreAccount(1, account);
        app->Mail().CheckAccounts({1});
        Settle();
        EXPECT_EQ(desk.control(StatusLine).text, row.status) << row.status;
        EXPECT_EQ(asked, row.asked) << row.status;
    }
}

} // namespace
} // namespace kestrel::testing
