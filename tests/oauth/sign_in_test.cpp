// Sign-in and token keeping against the loopback authorization server (oauth_server.py), through
// the platform's own HTTPS client: Qt Network natively, WinHTTP under Wine. KESTREL_OAUTH names
// the server's port and its root.
#include "fake/fake_secret_store.h"
#include "oauth/sign_in.h"
#include "oauth/token_keeper.h"
#include "oauth/url_encoding.h"

#ifdef _WIN32
#include "win32/win32_https_client.h"
using PlatformHttps = kestrel::Win32HttpsClient;
#else
#include "qt/qt_https_client.h"
using PlatformHttps = kestrel::QtHttpsClient;
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

namespace kestrel {
namespace {

std::string Server(int offset = 0) {
    const char* port = std::getenv("KESTREL_OAUTH");
    return "https://localhost:" + std::to_string(std::atoi(port ? port : "0") + offset);
}

class SignInTest : public ::testing::Test {
  protected:
    void SetUp() override { Control("reset=1"); }
    // The server's levers; its counts of token requests.
    std::map<std::string, std::string> Control(const std::string& form) {
        const HttpsReply reply = https.PostForm(Server() + "/control", form, 10000);
        EXPECT_TRUE(reply.reached) << reply.failure;
        return ReadQuery(reply.body);
    }
    int Refreshes() { return std::stoi(Control("")["refresh_token"]); }
    SignInOutcome SignInAs(const std::string& user, bool browse = true, int waitMs = 20000) {
        const std::atomic<bool> cancel{false};
        const SignInRequest request{1, settings, user, waitMs};
        return SignIn(request, https, store,
                      [&](const std::string& url) {
                          if (browse)
                              Control(FormBody({{"browse", url}}));
                      },
                      cancel);
    }

    PlatformHttps https;
    FakeSecretStore store;
    OAuthSettings settings{{Server() + "/authorize", Server() + "/token", "mail offline_access", {}},
                           "kestrel-test",
                           ""};
};

TEST_F(SignInTest, EndsAsTheServerAndTheBrowserSay) {
    struct Row {
        std::string user;
        bool browse;
        SignInEnd end;
        std::string detail;
        bool kept;
    } rows[] = {
        {"ivy", true, SignInEnd::SignedIn, "", true},
        {"deny", true, SignInEnd::Denied, "access_denied", false},
        {"ivy", false, SignInEnd::TimedOut, "", false},
    };
    for (const Row& row : rows) {
        store.secrets.clear();
        const SignInOutcome outcome = SignInAs(row.user, row.browse, row.browse ? 20000 : 300);
        EXPECT_EQ(outcome.end, row.end) << row.user;
        EXPECT_EQ(outcome.detail, row.detail);
        EXPECT_EQ(store.secrets.count(RefreshTokenName(1)), row.kept ? 1u : 0u);
        EXPECT_EQ(outcome.tokens.access.rfind("token-" + row.user + ".", 0) == 0, row.kept);
    }
}

enum class Do { Token, RefuseLast, Expire, Revoke, Fail503 };

TEST_F(SignInTest, KeeperRenewsOnceAndNeverStorms) {
    struct Step {
        Do what;
        TokenState state = TokenState::Ready;
    };
    struct Row {
        std::string name, server;
        bool signedIn;
        std::vector<Step> steps;
        int refreshes;
        bool rotated = false;
    } rows[] = {
        {"cached until it expires", "", true,
         {{Do::Token}, {Do::Token}, {Do::Expire}, {Do::Token}, {Do::Token}}, 1},
        {"a refused token renewed once", "", true,
         {{Do::RefuseLast}, {Do::RefuseLast, TokenState::Refused}, {Do::Token}}, 1},
        {"a revoked refresh token", "", true,
         {{Do::Revoke},
          {Do::Expire},
          {Do::Token, TokenState::SignInExpired},
          {Do::Token, TokenState::SignInExpired},
          {Do::RefuseLast, TokenState::SignInExpired}},
         1},
        {"a server fault tried again", "", true,
         {{Do::Expire}, {Do::Fail503}, {Do::Token, TokenState::Failed}, {Do::Token}}, 2},
        {"a rotated refresh token kept", "rotate=1", true,
         {{Do::Expire}, {Do::Token}, {Do::Expire}, {Do::Token}}, 2, true},
        {"no sign-in yet", "", false, {{Do::Token, TokenState::SignInNeeded}}, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Control("reset=1&" + row.server);
        store.secrets.clear();
        int64_t now = 0;
        AccessTokenKeeper keeper(1, settings, store, https, [&] { return now; });
        std::string last;
        if (row.signedIn) {
            const SignInOutcome outcome = SignInAs("ivy");
            ASSERT_EQ(outcome.end, SignInEnd::SignedIn) << outcome.detail;
            keeper.SignedIn(outcome.tokens);
            last = outcome.tokens.access;
        }
        const std::string signedInRefresh = store.secrets[RefreshTokenName(1)];
        for (const Step& step : row.steps) {
            KeeperAnswer answer{TokenState::Ready, last, ""};
            if (step.what == Do::Token)
                answer = keeper.Token();
            else if (step.what == Do::RefuseLast)
                answer = keeper.Refused(last);
            else if (step.what == Do::Expire)
                now += 3600 * 1000;
            else
                Control(step.what == Do::Revoke ? "revoke=all" : "fail=503");
            EXPECT_EQ(answer.state, step.state) << answer.detail;
            EXPECT_EQ(answer.detail.find("token-"), std::string::npos);
            if (answer.state == TokenState::Ready)
                last = answer.token;
        }
        EXPECT_EQ(Refreshes(), row.refreshes);
        EXPECT_EQ(store.secrets[RefreshTokenName(1)] != signedInRefresh, row.rotated);
    }
}

// From a worker thread, as the mail jobs call it.
TEST_F(SignInTest, ChecksCertificatesAsForMail) {
    struct Row {
        std::string url;
        bool reached;
    } rows[] = {
        {Server() + "/control", true},
        {Server(1) + "/control", false}, // from a root nobody trusts
        {"http://localhost:1/control", false},
    };
    for (const Row& row : rows) {
        HttpsReply reply;
        std::thread worker([&] { reply = https.PostForm(row.url, "", 10000); });
        worker.join();
        EXPECT_EQ(reply.reached, row.reached) << row.url << ": " << reply.failure;
        EXPECT_EQ(reply.failure.empty(), row.reached) << row.url;
    }
}

} // namespace
} // namespace kestrel
