// Connecting with a time limit, closing, and the line I/O, against loopback servers.
#include "net/exceptions.h"
#include "net/socket_library.h"
#include "net/tcp_connection.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include <chrono>

namespace kestrel::testing {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

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

TEST(ConnectTest, AQuickAcceptIsNoticedAtTheEndOfTheFirstStep) {
    LoopbackServer server([](Peer& p) { p.ReceiveAll(); });
    auto client = ClientTo(server.port());
    const auto start = Clock::now();
    client->OpenConnection(3000);
    const auto elapsed = MsSince(start);
    EXPECT_GE(elapsed, 120);
    EXPECT_LT(elapsed, 1000);
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
        EXPECT_EQ(std::string(e.what()), "Zeit\xFC"
                                         "berschreitung der Verbindung.");
    }
    const auto elapsed = MsSince(start);
    EXPECT_GE(elapsed, 2900);
    EXPECT_LT(elapsed, 4000) << "the worker ended with the close of its socket";
    EXPECT_FALSE(client->IsConnected());
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
        EXPECT_STREQ(e.what(), "Ung\xFCltiger Port-Bereich (10 - 5)");
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
        EXPECT_STREQ(e.what(), "Max. Zeilenl\xE4nge \xFC"
                               "berschritten.");
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

} // namespace
} // namespace kestrel::testing
