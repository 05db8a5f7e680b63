// The built-in sign-in end to end, natively: an account signed in from the command line at the
// loopback authorization server logs in to Dovecot over IMAP with the access token its keeper
// hands out (Dovecot asks its introspection endpoint); once the grant is revoked, the account
// says "sign-in expired", and a second check asks the provider nothing more.
#include "app/sign_in_tokens.h"
#include "app/token_sources.h"
#include "fake/fake_secret_store.h"
#include "mail/mail_jobs.h"
#include "qt/qt_https_client.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace kestrel {
namespace {

std::string Setting(const char* name, int part) {
    const std::string value = std::getenv(name) ? std::getenv(name) : ",";
    return part == 0 ? value.substr(0, value.find(',')) : value.substr(value.find(',') + 1);
}

TEST(SignedInMailTest, ASignedInAccountReadsItsMailUntilItsGrantIsRevoked) {
    setenv("SSL_CERT_FILE", Setting("KESTREL_TLS", 1).c_str(), 1); // Dovecot's root, for OpenSSL
    const std::string oauth = "https://localhost:" + Setting("KESTREL_OAUTH", 0);
    const int imapPort = std::stoi(Setting("KESTREL_TLS", 0)) + 10;
    AccountRecord record{"imaps://localhost:" + std::to_string(imapPort), "alice", "", true};
    record.signIn = {SignInSettings::Source::Provider, sasl::Mechanism::XOAuth2, "", "custom",
                     oauth + "/authorize", oauth + "/token", "kestrel-test", ""};
    QtHttpsClient https;
    FakeSecretStore store;
    const auto control = [&](const std::string& form) {
        return https.PostForm(oauth + "/control", form, 10000).body;
    };
    control("reset=1");
    const CommandAnswer signedIn = CommandLineSignIn(
        https, store, [&](const std::string& url) { control("browse=" + PercentEncode(url)); },
        [](const std::string&) {})(1, record);
    ASSERT_EQ(signedIn.exitCode, 0) << signedIn.err;

    const auto check = [&](SignInTokens& tokens) {
        const auto signedIn = [&](int account, const AccountRecord& r, bool refused) {
            return tokens.Token(account, r, refused);
        };
        const ClientMakers makers{.pop3 = {}, .imap = {}, .tokens = TokenSources({}, signedIn)};
        RunningClient running;
        std::string status;
        CheckAccounts({{1, record, 0, {}}}, false, {3000, 15000}, 1000, running,
                      [&](CheckReport report) {
                          if (report.outcome)
                              status = StatusText(*report.outcome);
                      },
                      makers);
        return status;
    };
    SignInTokens first(&store, &https);
    EXPECT_EQ(check(first), "ok: 3 messages, 3 new");
    control("revoke=all");
    SignInTokens later(&store, &https); // a start after the revocation: no access token cached
    EXPECT_EQ(check(later), "sign-in expired");
    EXPECT_EQ(check(later), "sign-in expired");
    // One refresh for the first check's keeper, which the command line's sign-in did not feed;
    // one refused after the revocation; none for the second check.
    EXPECT_EQ(control(""), "authorization_code=1&refresh_token=2");
}

} // namespace
} // namespace kestrel
