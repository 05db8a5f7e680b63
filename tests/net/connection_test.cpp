// Connecting with a time limit, closing, the line I/O and aborting from another thread, against
// loopback servers.
#include "net/connect_worker.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"
#include "net/socket_library.h"
#include "net/tcp_connection.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <winsock2.h>
#define STAND_IN_API __stdcall
#else
#include <netdb.h>
#include <sys/socket.h>
#define STAND_IN_API
#endif

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace kestrel::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// ThreadSanitizer runs the same code several times slower: its time bounds are wider.
#if defined(__SANITIZE_THREAD__)
constexpr long long Slower = 3;
#else
constexpr long long Slower = 1;
#endif

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

std::unique_ptr<TcpClient> ClientTo(uint16_t port, const std::string& host = "127.0.0.1") {
    auto client = std::make_unique<TcpClient>();
    client->Host = host;
    client->Port = port;
    return client;
}

// A client connected to a server running the script.
struct Session {
    explicit Session(LoopbackServer::Script script) : server(std::move(script)) {
        client = ClientTo(server.port());
        client->OpenConnection(3000);
    }
    LoopbackServer server;
    std::unique_ptr<TcpClient> client;
};

TEST(ConnectTest, AQuickAcceptReturnsAtOnce) {
    LoopbackServer server([](Peer& p) { p.ReceiveAll(); });
    auto client = ClientTo(server.port());
    const auto start = Clock::now();
    client->OpenConnection(3000);
    EXPECT_LT(MsSince(start), 100 * Slower) << "the caller waited in steps";
    EXPECT_TRUE(client->IsConnected());
    client->CloseConnection();
    EXPECT_FALSE(client->IsConnected());
}

TEST(ConnectTest, ARefusedConnectRaisesTheSocketErrorTextAsConnectException) {
    auto client = ClientTo(ClosedPort());
    try {
        client->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const ConnectError& e) {
        EXPECT_EQ(std::string(e.what()), "Socket-Fehler # 10061\r\nVerbindung abgelehnt.");
    }
    EXPECT_FALSE(client->IsConnected());
}

TEST(ConnectTest, ARefusedBlockingConnectRaisesTheSocketError) {
    for (int limit : {-1, 0}) {
        auto client = ClientTo(ClosedPort());
        try {
            client->OpenConnection(limit);
            FAIL() << "no exception";
        } catch (const SocketError& e) {
            EXPECT_EQ(e.SocketErrorCode, 10061);
        }
    }
}

TEST(ConnectTest, AConnectThatNeverCompletesTimesOutAfterTheLimit) {
    FullListener listener;
    auto client = ClientTo(listener.port());
    const auto start = Clock::now();
    try {
        client->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const ConnectTimeout& e) {
        EXPECT_EQ(std::string(e.what()), "Zeitüberschreitung der Verbindung.");
    }
    const auto elapsed = MsSince(start);
    EXPECT_GE(elapsed, 2900);
    EXPECT_LT(elapsed, 4000) << "the worker ended with the close of its socket";
    EXPECT_FALSE(client->IsConnected());
}

// Stands in for a resolver that does not answer: the lookup hangs until the test lets it go (or
// 3 s have passed), then answers 127.0.0.1.
class HangingResolver {
  public:
    HangingResolver() { sockets::BindEntry("gethostbyname", reinterpret_cast<void*>(&Lookup)); }
    ~HangingResolver() {
        Release();
        // The abandoned workers end once their lookup returns: then nothing touches the seam.
        for (int i = 0; i < 100 && ConnectWorkersRunning() > 0; ++i)
            std::this_thread::sleep_for(20ms);
        sockets::BindEntry("gethostbyname", nullptr);
        std::lock_guard hold(lock);
        released = false;
    }
    static void Release() {
        std::lock_guard hold(lock);
        released = true;
        changed.notify_all();
    }
    static inline std::atomic<int> answered{0};

  private:
    static ::hostent* STAND_IN_API Lookup(const char*) {
        {
            std::unique_lock hold(lock);
            changed.wait_for(hold, 3s, [] { return released; });
        }
        static char loopback[4] = {127, 0, 0, 1};
        static char* addresses[] = {loopback, nullptr};
        static ::hostent entry = [] {
            ::hostent e{};
            e.h_addrtype = AF_INET;
            e.h_length = 4;
            e.h_addr_list = addresses;
            return e;
        }();
        ++answered;
        return &entry;
    }
    static inline std::mutex lock;
    static inline std::condition_variable changed;
    static inline bool released = false;
};

TEST(ConnectTest, AHangingLookupCountsAgainstTheConnectLimitAndIsLeftBehind) {
    std::atomic<bool> accepted = false;
    LoopbackServer server([&](Peer&) { accepted = true; });
    {
        HangingResolver resolver;
        HangingResolver::answered = 0;
        auto client = ClientTo(server.port(), "mail.example.invalid");
        const auto start = Clock::now();
        EXPECT_THROW(client->OpenConnection(500), ConnectTimeout);
        const auto elapsed = MsSince(start);
        EXPECT_GE(elapsed, 450);
        EXPECT_LT(elapsed, 1000);
        EXPECT_FALSE(client->IsConnected());
        // The same connection again, while the first lookup still hangs.
        EXPECT_THROW(client->OpenConnection(300), ConnectTimeout);
        client.reset();
        HangingResolver::Release();
    } // waits for the abandoned workers
    EXPECT_EQ(ConnectWorkersRunning(), 0);
    EXPECT_EQ(HangingResolver::answered, 2) << "both lookups returned into abandoned workers";
    EXPECT_FALSE(accepted) << "an abandoned worker went on to connect";
}

TEST(ConnectTest, LocalhostInCapitalsConnectsWithoutALookup) {
    LoopbackServer server([](Peer& p) { p.Send("+OK\r\n"); });
    auto client = ClientTo(server.port(), "LOCALHOST");
    client->OpenConnection(3000);
    EXPECT_EQ(client->ReadLine(), "+OK");
}

TEST(ConnectTest, OpeningTwiceRaisesAlreadyConnected) {
    LoopbackServer server([](Peer& p) { p.ReceiveAll(); });
    auto client = ClientTo(server.port());
    client->OpenConnection(3000);
    try {
        client->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const AlreadyConnected& e) {
        EXPECT_STREQ(e.what(), "Verbindung besteht bereits.");
    }
    EXPECT_TRUE(client->IsConnected()) << "the first connection stays";
}

TEST(ConnectTest, PortRangeRules) {
    auto client = ClientTo(ClosedPort());
    client->BoundPortLow = 10;
    client->BoundPortHigh = 5;
    try {
        client->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const InvalidPortRange& e) {
        EXPECT_STREQ(e.what(), "Ungültiger Port-Bereich (10 - 5)");
    }

    HeldPort held;
    client->BoundPortLow = held.port();
    client->BoundPortHigh = held.port();
    try {
        client->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const NoPortInRange& e) {
        const std::string p = std::to_string(held.port());
        EXPECT_EQ(std::string(e.what()),
                  "Port-Beriech (" + p + " - " + p + ") kann nicht eingebunden werden");
    }

    client->BoundPort = held.port();
    EXPECT_THROW(client->OpenConnection(3000), BindFailed);
}

TEST(ConnectTest, ReconnectingAfterACloseDiscardsTheOldBytes) {
    LoopbackServer first([](Peer& p) {
        p.Send("one\r\nleft over");
        p.ReceiveAll();
    });
    auto client = ClientTo(first.port());
    client->OpenConnection(3000);
    EXPECT_EQ(client->ReadLine(), "one");
    client->CloseConnection();
    LoopbackServer second([](Peer& p) { p.Send("two\r\n"); });
    client->Port = second.port();
    client->OpenConnection(3000);
    EXPECT_EQ(client->ReadLine(), "two");
}

TEST(LineTest, ALineSplitOverTwoReceivesComesWhole) {
    Session s([](Peer& p) {
        p.Send("+OK 2 ");
        p.Pause(100);
        p.Send("320\r\n");
    });
    EXPECT_EQ(s.client->ReadLine(), "+OK 2 320");
}

TEST(LineTest, LineEnds) {
    Session s([](Peer& p) { p.Send("bare\nreturns\r\r\nlast\r\n"); });
    EXPECT_EQ(s.client->ReadLine(), "bare");
    EXPECT_EQ(s.client->ReadLine(), "returns\r") << "only one CR is cut";
    EXPECT_EQ(s.client->ReadLine(), "last");
}

TEST(LineTest, TheLimitCountsTheCarriageReturn) {
    const std::string full(16384, 'x');
    Session s([&](Peer& p) {
        p.Send(full + "\n" + full + "\r\n");
        p.ReceiveAll();
    });
    EXPECT_EQ(s.client->ReadLine(), full) << "16384 bytes and LF";
    try {
        s.client->ReadLine();
        FAIL() << "no exception";
    } catch (const LineTooLong& e) {
        EXPECT_STREQ(e.what(), "Max. Zeilenlänge überschritten.");
    }
}

TEST(LineTest, MoreThanTheLimitWithoutLineEndRaisesWithoutWaiting) {
    Session s([](Peer& p) {
        p.Send(std::string(16385, 'y'));
        p.ReceiveAll();
    });
    const auto start = Clock::now();
    EXPECT_THROW(s.client->ReadLine(), LineTooLong);
    EXPECT_LT(MsSince(start), 2000);
}

TEST(LineTest, TwoLinesInOneReceive) {
    Session s([](Peer& p) {
        p.Send("a\r\nb\r\n");
        p.Pause(300);
        p.Send("c\r\n");
    });
    EXPECT_EQ(s.client->ReadLine(), "a");
    EXPECT_EQ(s.client->PendingInput.Unread(), "b\r\n") << "both came in one receive";
    EXPECT_EQ(s.client->ReadLine(), "b");
}

TEST(LineTest, BlankLinesBeforeAReplyAreSkipped) {
    Session s([](Peer& p) { p.Send("\r\n  \t\r\n\r\n  +OK ready  \r\n"); });
    EXPECT_EQ(s.client->ReadNonEmptyLine(), "+OK ready");
}

TEST(LineTest, ThePeerClosingRightAfterALine) {
    Session s([](Peer& p) {
        p.Send("+OK bye\r\n");
        p.Close();
    });
    EXPECT_EQ(s.client->ReadLine(), "+OK bye");
    try {
        s.client->ReadLine();
        FAIL() << "no exception";
    } catch (const ClosedGracefully& e) {
        EXPECT_STREQ(e.what(), "Die Verbindung wurde erfolgreich geschlossen.");
    }
}

TEST(LineTest, ThePeerClosingBehindAPartialLine) {
    Session s([](Peer& p) {
        p.Send("+OK hal");
        p.Pause(100);
        p.Close();
    });
    EXPECT_EQ(s.client->ReadLine(), "");
    EXPECT_TRUE(s.client->LineTimedOut);
    EXPECT_THROW(s.client->ReadLine(), ClosedGracefully);
}

TEST(LineTest, IsConnectedSeesTheCloseOnlyAfterAReadFoundIt) {
    Session s([](Peer& p) {
        p.Send("x\r\n");
        p.Close();
    });
    std::this_thread::sleep_for(200ms);
    EXPECT_TRUE(s.client->IsConnected()) << "the network is not probed";
    EXPECT_EQ(s.client->ReadLine(), "x");
    EXPECT_THROW(s.client->ReadLine(), ClosedGracefully);
    EXPECT_FALSE(s.client->IsConnected());
}

// The socket never waits: a receive may find nothing where the wait saw something, once.
std::atomic<int> receives = 0;
#ifdef _WIN32
int STAND_IN_API StaleOnce(SOCKET s, char* buffer, int length, int flags) {
#else
ssize_t StaleOnce(int s, void* buffer, size_t length, int flags) {
#endif
    if (receives++ > 0)
        return ::recv(s, buffer, length, flags);
    errno = EWOULDBLOCK; // read as the binding reads a failure
    sockets::SetLastError(sockets::WouldBlock);
    return -1;
}

TEST(LineTest, AReceiveThatFindsNothingAfterAllWaitsAgain) {
    Session s([](Peer& p) { p.Send("+OK\r\n"); });
    sockets::BindEntry("recv", reinterpret_cast<void*>(&StaleOnce));
    std::string line;
    EXPECT_NO_THROW(line = s.client->ReadLine("\n", 3000));
    sockets::BindEntry("recv", nullptr);
    EXPECT_EQ(line, "+OK");
    EXPECT_EQ(receives, 2);
}

TEST(LineTest, AnExplicitLimitBoundsTheWholeRead) {
    Session s([](Peer& p) {
        p.Send("slo");
        p.Pause(400);
        p.Send("w\r\n");
        p.Pause(1500);
    });
    const auto start = Clock::now();
    EXPECT_EQ(s.client->ReadLine("\n", 200), "");
    EXPECT_TRUE(s.client->LineTimedOut);
    EXPECT_LT(MsSince(start), 380);
    EXPECT_EQ(s.client->ReadLine("\n", 1000), "slow") << "the partial line stayed buffered";
    EXPECT_FALSE(s.client->LineTimedOut);
    EXPECT_EQ(s.client->ReadNonEmptyLine(2147483647, 300), "");
    EXPECT_TRUE(s.client->LineTimedOut);
}

TEST(WriteTest, WriteLineSendsTheTextAndCrLfInOne) {
    Session s([](Peer& p) { p.ReceiveAll(); });
    s.client->WriteLine("QUIT");
    s.client->CloseConnection();
    EXPECT_EQ(s.server.Received(), "QUIT\r\n");
}

TEST(WriteTest, AnEmptyTextTouchesNothing) {
    TcpClient never; // not connected: an empty text does not even check
    EXPECT_NO_THROW(never.WriteText(""));
    EXPECT_THROW(never.WriteText("x"), NotConnected);
    EXPECT_THROW(never.WriteLine(""), NotConnected);
}

TEST(WriteTest, WritingAfterTheCloseWasSeenRaisesClosedGracefully) {
    Session s([](Peer& p) { p.Close(); });
    EXPECT_THROW(s.client->ReadLine(), ClosedGracefully);
    EXPECT_THROW(s.client->WriteLine("NOOP"), ClosedGracefully);
}

TEST(WriteTest, ALargeWriteGoesOutWhole) {
    const std::string big(1 << 20, 'z');
    Session s([](Peer& p) { p.ReceiveAll(); });
    s.client->WriteText(big);
    s.client->CloseConnection();
    EXPECT_EQ(s.server.Received().size(), big.size());
}

// Abort from a second thread while the first waits in each kind of call; limits are long, so
// that only the abort can end the call.
TEST(AbortTest, AbortEndsTheCallInProgressAndEveryLaterOne) {
    HangingResolver resolver;
    FullListener full;
    LoopbackServer silent([](Peer& p) { p.ReceiveAll(); }, 2);
    LoopbackServer deaf([](Peer& p) {
        p.Pause(1000); // reads nothing while the client's write blocks
        p.ReceiveAll();
    });
    // Reads nothing, so the FIN of the client's shutdown cannot end the wait either.
    LoopbackServer mute([](Peer& p) { p.Pause(2000); });
    struct Row {
        const char* during;
        std::string host;
        uint16_t port;
        bool tls;
        bool connectFirst;
        std::function<void(TcpClient&)> call;
    };
    const auto open = [](TcpClient& c) { c.OpenConnection(5000); };
    const Row rows[] = {
        {"a lookup that hangs", "mail.example.invalid", silent.port(), false, false, open},
        {"a connect that never completes", "127.0.0.1", full.port(), false, false, open},
        {"a read from a silent server", "127.0.0.1", silent.port(), false, true,
         [](TcpClient& c) { c.ReadLine(); }},
        {"a read from a server that neither writes nor reads", "127.0.0.1", mute.port(), false,
         true, [](TcpClient& c) { c.ReadLine(); }},
        {"a TLS handshake with a silent server", "127.0.0.1", silent.port(), true, false, open},
        {"a write to a server that reads nothing", "127.0.0.1", deaf.port(), false, true,
         [](TcpClient& c) { c.WriteText(std::string(64 << 20, 'w')); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.during);
        auto client = ClientTo(row.port, row.host);
        client->UseTls = row.tls;
        client->ReadTimeout = 5000;
        if (row.connectFirst)
            client->OpenConnection(3000);
        const auto start = Clock::now();
        std::thread aborter([&] {
            std::this_thread::sleep_for(200ms);
            client->Abort();
        });
        try {
            row.call(*client);
            ADD_FAILURE() << "no exception";
        } catch (const Aborted& e) {
            EXPECT_STREQ(e.what(), "Verbindung abgebrochen.");
        } catch (const std::exception& e) {
            ADD_FAILURE() << "not Aborted: " << e.what();
        }
        const auto elapsed = MsSince(start);
        aborter.join();
        EXPECT_GE(elapsed, 190) << "the call did not wait";
        EXPECT_LT(elapsed, 200 + 300 * Slower);
        EXPECT_THROW(client->ReadLine("\n", 1000), Aborted);
        EXPECT_THROW(client->WriteLine("NOOP"), Aborted);
        EXPECT_THROW(client->OpenConnection(1000), Aborted);
        client->CloseConnection();
        EXPECT_FALSE(client->IsConnected());
        client.reset();
        EXPECT_LT(MsSince(start), 200 + 500 * Slower) << "the close or the destruction waited";
    }
}

} // namespace
} // namespace kestrel::testing
