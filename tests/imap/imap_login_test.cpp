// How the client logs in, from what the server's greeting and capabilities say, and which
// answers to a header fetch it takes: a peer in memory stands for the server, since no real one
// disables LOGIN over TLS, greets with PREAUTH or echoes a section its own way here.
#include "imap/imap_client.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace kestrel {
namespace {

// Answers with the scripted bytes whatever was sent, and keeps what was sent.
class ScriptedPeer : public IoHandler {
  public:
    ScriptedPeer(std::string answers, std::string& sent)
        : answers_(std::move(answers)), sent_(sent) {}
    void ConnectTo(const std::string&, int, const std::string&, int, int, int, int) override {
        open_ = true;
    }
    bool HasOpenSocket() override { return open_; }
    void CloseBinding() override { open_ = false; }
    bool WaitReadable(int) override { return open_; }
    int ReceiveSome(char* buffer, int length) override {
        const size_t n = std::min(answers_.size(), static_cast<size_t>(length));
        std::memcpy(buffer, answers_.data(), n);
        answers_.erase(0, n);
        return static_cast<int>(n);
    }
    int SendSome(const char* bytes, int length) override {
        sent_.append(bytes, static_cast<size_t>(length));
        return length;
    }

  private:
    std::string answers_;
    std::string& sent_;
    bool open_ = false;
};

class PeerClient : public ImapClient {
  public:
    PeerClient(std::string answers, std::string& sent) {
        SetIOHandler(std::make_unique<ScriptedPeer>(std::move(answers), sent));
    }
};

TEST(ImapLoginTest, TheGreetingAndTheCapabilitiesDecideHowToLogIn) {
    struct Row {
        const char* what;
        bool tls;
        std::string answers;
        std::string sent;    // all the client wrote
        std::string failure; // what it raised, if anything
        sasl::Mechanism mechanism = sasl::Mechanism::Plain;
    };
    // A token's wire forms as curl's tests publish them (user "user", 127.0.0.1:9003).
    const std::string token = "mF_9.B5f-4.1JqM";
    const std::string xoauth2 = "dXNlcj11c2VyAWF1dGg9QmVhcmVyIG1GXzkuQjVmLTQuMUpxTQEB";
    const std::string bearer = "bixhPXVzZXIsAWhvc3Q9MTI3LjAuMC4xAXBvcnQ9OTAwMwFhdXRoPUJlYXJlciBtRl"
                               "85LkI1Zi00LjFKcU0BAQ==";
    const std::string plainAuth = "k1 AUTHENTICATE PLAIN\r\nAHUAcHc=\r\n";
    const Row rows[] = {
        {"LOGIN", false,
         "* OK [CAPABILITY IMAP4rev1] hi\r\nk1 OK [CAPABILITY IMAP4rev1 IDLE] in\r\n",
         "k1 LOGIN \"u\" \"pw\"\r\n", ""},
        {"capabilities asked for when the greeting has none", false,
         "* OK hi\r\n* CAPABILITY IMAP4rev1\r\nk1 OK\r\nk2 OK in\r\n* CAPABILITY IMAP4rev1 "
         "IDLE\r\nk3 OK\r\n",
         "k1 CAPABILITY\r\nk2 LOGIN \"u\" \"pw\"\r\nk3 CAPABILITY\r\n", ""},
        {"LOGIN disabled over TLS: AUTHENTICATE PLAIN, an alert before the go-ahead", true,
         "* OK [CAPABILITY IMAP4rev1 LOGINDISABLED AUTH=PLAIN] hi\r\n* OK [ALERT] mind\r\n+ "
         "\r\nk1 OK [CAPABILITY IMAP4rev1] in\r\n",
         plainAuth, ""},
        {"LOGIN disabled on a plain connection: no password", false,
         "* OK [CAPABILITY IMAP4rev1 LOGINDISABLED AUTH=PLAIN] hi\r\n", "",
         "the server takes passwords only over TLS: use imaps://"},
        {"LOGIN disabled and nothing else offered", true,
         "* OK [CAPABILITY IMAP4rev1 LOGINDISABLED] hi\r\n", "",
         "the server offers no login but LOGIN, which it disabled"},
        {"logged in already", false, "* PREAUTH [CAPABILITY IMAP4rev1] welcome\r\n", "", ""},
        {"refused", false, "* OK [CAPABILITY IMAP4rev1] hi\r\nk1 NO [AUTHENTICATIONFAILED] no\r\n",
         "k1 LOGIN \"u\" \"pw\"\r\n", "NO [AUTHENTICATIONFAILED] no"},
        {"turned away", false, "* BYE too many connections\r\n", "", "BYE too many connections"},
        {"XOAUTH2 after the go-ahead", true,
         "* OK [CAPABILITY IMAP4rev1 AUTH=XOAUTH2] hi\r\n+ \r\nk1 OK [CAPABILITY IMAP4rev1] in\r\n",
         "k1 AUTHENTICATE XOAUTH2\r\n" + xoauth2 + "\r\n", "", sasl::Mechanism::XOAuth2},
        {"OAUTHBEARER as the initial response", true,
         "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=OAUTHBEARER] hi\r\n"
         "k1 OK [CAPABILITY IMAP4rev1] in\r\n",
         "k1 AUTHENTICATE OAUTHBEARER " + bearer + "\r\n", "", sasl::Mechanism::OAuthBearer},
        {"a refused token: the error challenge answered, then the refusal", true,
         "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=OAUTHBEARER] hi\r\n+ "
         "eyJzdGF0dXMiOiJpbnZhbGlkX3Rva2VuIn0=\r\nk1 NO [AUTHENTICATIONFAILED] no\r\n",
         "k1 AUTHENTICATE OAUTHBEARER " + bearer + "\r\nAQ==\r\n", "NO [AUTHENTICATIONFAILED] no",
         sasl::Mechanism::OAuthBearer},
        {"challenges without end are cancelled", true,
         "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] hi\r\n+ e30=\r\n+ e30=\r\n+ "
         "e30=\r\nk1 BAD cancelled\r\n",
         "k1 AUTHENTICATE XOAUTH2 " + xoauth2 + "\r\n\r\n*\r\n*\r\n", "BAD cancelled",
         sasl::Mechanism::XOAuth2},
        {"no token on a plain connection", false,
         "* OK [CAPABILITY IMAP4rev1 SASL-IR AUTH=XOAUTH2] hi\r\n", "",
         "a sign-in token is sent only over TLS: use imaps:// or imap+starttls://",
         sasl::Mechanism::XOAuth2},
        {"a mechanism the server does not offer", true,
         "* OK [CAPABILITY IMAP4rev1 AUTH=PLAIN] hi\r\n", "", "the server does not offer XOAUTH2",
         sasl::Mechanism::XOAuth2},
    };
    for (const Row& row : rows) {
        std::string sent;
        PeerClient client(row.answers, sent);
        client.UseTls = row.tls;
        client.Host = "127.0.0.1";
        client.Port = 9003;
        client.Mechanism = row.mechanism;
        const bool plain = row.mechanism == sasl::Mechanism::Plain;
        client.Username = plain ? "u" : "user";
        client.Password = plain ? "pw" : token;
        std::string failure;
        try {
            client.OpenConnection(1000);
        } catch (const ClientError& e) {
            failure = e.what();
        }
        EXPECT_EQ(sent, row.sent) << row.what;
        EXPECT_EQ(failure, row.failure) << row.what;
    }
}

// Servers echo the field list in their own case and spacing; other fields, or a list beyond any
// echo of ours, are no header of the fetch.
TEST(ImapFetchTest, TheHeaderIsTakenFromEveryEchoOfItsSection) {
    const std::string header = "Subject: Hi\r\n\r\n";
    const std::pair<std::string, bool> rows[] = {
        {"BODY[HEADER.FIELDS (FROM SUBJECT MESSAGE-ID)]", true},
        {"body[header.fields ( \"From\"  \"Subject\")]", true},
        {"BODY[HEADER.FIELDS(FROM) ]", true},
        {"BODY[HEADER.FIELDS.NOT (FROM SUBJECT MESSAGE-ID)]", false},
        {"BODY[HEADER.FIELDS (" + std::string(300, 'X') + ")]", false},
    };
    for (const auto& [section, taken] : rows) {
        std::string sent;
        PeerClient client("* PREAUTH [CAPABILITY IMAP4rev1] hi\r\n* 1 FETCH (UID 7 " + section +
                              " {15}\r\n" + header + ")\r\nk1 OK\r\n",
                          sent);
        client.OpenConnection(1000);
        client.AskForHeaders(std::vector<uint32_t>{7});
        MailMessage message;
        EXPECT_EQ(client.NextHeader(message).value_or(0), taken ? 7u : 0u) << section;
        EXPECT_EQ(message.Subject, taken ? "Hi" : "") << section;
        EXPECT_EQ(sent,
                  "k1 UID FETCH 7 (UID BODY.PEEK[HEADER.FIELDS (FROM SUBJECT MESSAGE-ID)])\r\n");
    }
}

} // namespace
} // namespace kestrel
