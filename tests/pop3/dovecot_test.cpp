// The POP3 client against the real thing: Dovecot on loopback, started by the test fixture.
#include "net/exceptions.h"
#include "pop3/pop3_client.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrel {
namespace {

// KESTREL_DOVECOT holds the server's address and port, as 127.0.0.2:11110.
std::string Server() {
    const char* value = std::getenv("KESTREL_DOVECOT");
    return value ? value : "";
}
std::string Host() {
    return Server().substr(0, Server().find(':'));
}
int Port() {
    return std::atoi(Server().substr(Server().find(':') + 1).c_str());
}

std::unique_ptr<Pop3Client> Login(const std::string& user, const std::string& password) {
    auto pop = std::make_unique<Pop3Client>();
    pop->Host = Host();
    pop->Port = Port();
    pop->Username = user;
    pop->Password = password;
    pop->OpenConnection(3000);
    return pop;
}

class DovecotTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (Server().find(':') == std::string::npos)
            GTEST_FAIL() << "KESTREL_DOVECOT is not set: run through ctest, whose fixture "
                            "starts Dovecot";
    }
};

TEST_F(DovecotTest, HeadersComeDecoded) {
    auto pop = Login("alice", "alicepw");
    ASSERT_TRUE(pop->IsConnected());
    EXPECT_EQ(pop->CountMessages(), 3);
    MailMessage message;
    const std::pair<std::string, std::string> want[] = {
        {"plain@example.org", "Plain message"},
        {"\"Müller, Jörg\" <joerg@example.org>", "Grüße aus Köln"},
        {"Folded Sender <folded@example.org>", "A subject that goes on and on"},
    };
    for (int n = 1; n <= 3; ++n) {
        pop->FetchHeader(n, message);
        EXPECT_EQ(message.From.Text(), want[n - 1].first) << n;
        EXPECT_EQ(message.Subject, want[n - 1].second) << n;
        message.ResetMessage();
    }
    pop->CloseConnection();
    EXPECT_FALSE(pop->IsConnected());
}

// UTF-8 words, the euro sign split between two of them on a folded line, in the list's 1252.
TEST_F(DovecotTest, Utf8HeadersComeInTheListsCodePage) {
    auto pop = Login("fay", "faypw");
    MailMessage message;
    pop->FetchHeader(1, message);
    EXPECT_EQ(message.From.Text(), "\"Jürgen Müller\" <juergen@example.org>");
    EXPECT_EQ(message.Subject, "Grüße aus Köln €");
    pop->CloseConnection();
}

TEST_F(DovecotTest, ADeletionTakesEffectAtQuit) {
    auto pop = Login("bob", "bobpw");
    const int before = pop->CountMessages();
    ASSERT_GE(before, 1);
    pop->DeleteMessage(before);
    pop->CloseConnection();
    auto again = Login("bob", "bobpw");
    EXPECT_EQ(again->CountMessages(), before - 1);
    again->CloseConnection();
}

TEST_F(DovecotTest, AnUnknownMessageIsANegativeReply) {
    auto pop = Login("alice", "alicepw");
    MailMessage message;
    try {
        pop->FetchHeader(99, message);
        FAIL() << "no exception";
    } catch (const ReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode, 2);
    }
    EXPECT_TRUE(pop->IsConnected());
}

TEST_F(DovecotTest, AWrongPasswordRaisesCodeTwo) {
    auto pop = std::make_unique<Pop3Client>();
    pop->Host = Host();
    pop->Port = Port();
    pop->BoundIP = "127.0.0.9"; // Dovecot delays the next login from an address that failed
    pop->Username = "alice";
    pop->Password = "wrong";
    try {
        pop->OpenConnection(3000);
        FAIL() << "no exception";
    } catch (const ReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode, 2);
        EXPECT_NE(std::string(e.what()).find("Authentication failed"), std::string::npos)
            << e.what();
    }
    EXPECT_FALSE(pop->IsConnected());
}

} // namespace
} // namespace kestrel
