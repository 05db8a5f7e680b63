// The POP3 conversation against scripted servers on loopback, with the exact bytes sent.
#include "net/exceptions.h"
#include "pop3/pop3_client.h"
#include "support/loopback_server.h"
#include "support/pop3_script.h"
#include "text/conversion.h"

#include <gtest/gtest.h>

namespace kestrel::testing {
namespace {

// Answers each client line with the next reply, after a greeting; CAPA is refused on the way.
LoopbackServer::Script Pop3(std::string greeting, std::vector<std::string> replies) {
    return [greeting, replies](Peer& p) {
        p.Send(greeting);
        for (const std::string& reply : replies) {
            if (OldServerCommand(p).empty())
                return;
            p.Send(reply);
        }
        p.ReceiveAll();
    };
}

std::unique_ptr<Pop3Client> Client(const LoopbackServer& server, std::string user = "x",
                                   std::string password = "") {
    auto pop = std::make_unique<Pop3Client>();
    pop->Host = "127.0.0.1";
    pop->Port = server.port();
    pop->Username = std::move(user);
    pop->Password = std::move(password);
    return pop;
}

TEST(Pop3Test, ASessionSendsExactlyItsCommands) {
    LoopbackServer server(
        Pop3("+OK ready\r\n", {"+OK\r\n", "+ok\r\n", "+OK 3 1209\r\n",
                               "+OK\r\nSubject: Hi\r\nFrom: a@b.c\r\n\r\n.\r\n", "+OK\r\n"}));
    auto pop = Client(server);
    EXPECT_EQ(pop->Port, server.port());
    pop->OpenConnection(3000);
    EXPECT_EQ(pop->CountMessages(), 3);
    MailMessage message;
    pop->FetchHeader(2, message);
    EXPECT_EQ(message.Subject, "Hi");
    EXPECT_EQ(message.From.Text(), "a@b.c");
    pop->DeleteMessage(2);
    pop->CloseConnection();
    EXPECT_EQ(server.Received(),
              "CAPA\r\nUSER x\r\nPASS \r\nSTAT\r\nTOP 2 0\r\nDELE 2\r\nQUIT\r\n");
}

TEST(Pop3Test, TheDefaultPortIs110) {
    EXPECT_EQ(Pop3Client().Port, 110);
}

struct StatCase {
    std::string reply;
    int count; // -1: the conversion error
};

TEST(Pop3Test, StatReplies) {
    const StatCase rows[] = {{"+OK 5 1200\r\n", 5},   {"+OK\r\n", 0},      {"+OK 5\r\n", -1},
                             {"+OK  5 1200\r\n", -1}, {"+OK x 1\r\n", -1}, {"  +OK 7 99  \r\n", 7}};
    for (const StatCase& row : rows) {
        LoopbackServer server(Pop3("+OK\r\n", {"+OK\r\n", "+OK\r\n", row.reply}));
        auto pop = Client(server);
        pop->OpenConnection(3000);
        if (row.count >= 0) {
            EXPECT_EQ(pop->CountMessages(), row.count) << row.reply;
        } else {
            EXPECT_THROW(pop->CountMessages(), ConvertError) << row.reply;
        }
    }
}

TEST(Pop3Test, ANegativeLoginClosesWithQuitAndRaisesCodeTwo) {
    LoopbackServer server(Pop3("+OK\r\n", {"+OK\r\n", "-ERR invalid password\r\n"}));
    auto pop = Client(server, "alice", "wrong");
    try {
        pop->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const ReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode, 2);
        EXPECT_EQ(std::string(e.what()), " invalid password\r\n");
    }
    EXPECT_FALSE(pop->IsConnected());
    EXPECT_EQ(server.Received(), "CAPA\r\nUSER alice\r\nPASS wrong\r\nQUIT\r\n");
}

TEST(Pop3Test, ABareErrRaisesWithAnEmptyLine) {
    LoopbackServer server(Pop3("+OK\r\n", {"+OK\r\n", "+OK\r\n", "-ERR\r\n"}));
    auto pop = Client(server);
    pop->OpenConnection(3000);
    try {
        pop->DeleteMessage(9);
        FAIL() << "no exception";
    } catch (const ReplyError& e) {
        EXPECT_EQ(std::string(e.what()), "\r\n");
    }
    EXPECT_TRUE(pop->IsConnected()) << "left open for the caller";
}

TEST(Pop3Test, AnUnknownStatusWordRaises) {
    LoopbackServer server(Pop3("HELLO\r\n", {}));
    auto pop = Client(server);
    try {
        pop->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const ReplyError&) {
        FAIL() << "not a reply error";
    } catch (const ClientError& e) {
        EXPECT_EQ(std::string(e.what()), "Nicht erkannter POP3-Response-Header:\n\"O\r\n\"");
    }
    EXPECT_EQ(server.Received(), "QUIT\r\n") << "the half-open conversation is closed";
}

TEST(Pop3Test, ContinuedRepliesAndBlankLines) {
    LoopbackServer server(
        Pop3("\r\n   \r\n+OK- first\r\nmiddle line\r\n+ok  last\r\n", {"+OK\r\n", "+OK\r\n"}));
    auto pop = Client(server);
    pop->OpenConnection(3000); // a misread greeting would make USER's reply "middle line"
    EXPECT_TRUE(pop->IsConnected());
    Pop3Client parsed;
    ParseReplyLines({"+OK- first", "middle line", "+ok  last"}, parsed.LastReply);
    EXPECT_EQ(parsed.LastReply.TextCode(), "+OK");
    EXPECT_EQ(parsed.LastReply.Text, (std::vector<std::string>{" first", "le line", " last"}));
}

TEST(Pop3Test, ASilentServerFailsWithinTheReplyBound) {
    LoopbackServer server([](Peer& p) { p.Pause(MessageClient::ReplyLimitMs + 600); });
    auto pop = Client(server);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(pop->OpenConnection(3000), ReadTimeout);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    EXPECT_GE(ms, MessageClient::ReplyLimitMs - 100);
    EXPECT_LT(ms, MessageClient::ReplyLimitMs + 1500);
}

TEST(Pop3Test, AServerStoppingInsideAHeaderFailsWithinTheBound) {
    LoopbackServer server(Pop3("+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\nSubject: cut"}));
    auto pop = Client(server);
    pop->OpenConnection(3000);
    MailMessage message;
    EXPECT_THROW(pop->FetchHeader(1, message), ReadTimeout);
}

TEST(Pop3Test, HeaderBlockLinesAreKeptAsSentUpToTheDot) {
    LoopbackServer server(Pop3(
        "+OK\r\n", {"+OK\r\n", "+OK\r\n", "+OK\r\nSubject: a\r\n\r\n..stuffed\r\nbody\r\n.\r\n"}));
    auto pop = Client(server);
    pop->OpenConnection(3000);
    MailMessage message;
    pop->FetchHeader(1, message);
    EXPECT_EQ(message.HeaderLines.Lines,
              (std::vector<std::string>{"Subject: a", "..stuffed", "body"}));
}

} // namespace
} // namespace kestrel::testing
