#pragma once

// The built-in sign-in as the accounts see it: each account's token keeper, made afresh when
// its settings change, and the sign-in that starts it.

#include "app/command_line.h"
#include "mail/access_tokens.h"
#include "mail/account.h"
#include "oauth/sign_in.h"
#include "oauth/token_keeper.h"

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace kestrel {

// The provider's endpoints and the user's client, for the account's protocol.
OAuthSettings OAuthSettingsOf(const AccountRecord& record);

// What a sign-in that did not go through tells the user, after "sign-in needed: ".
std::string SignInWords(const SignInOutcome& outcome);

// Runs an account's whole sign-in on the calling thread, never the GUI's.
SignInOutcome SignInAccount(int account, const AccountRecord& record, HttpsClient& https,
                            SecretStore& store,
                            const std::function<void(const std::string& url)>& openBrowser,
                            const std::atomic<bool>& cancel);

// The command line's sign-in: the page's address said and opened, then the outcome said.
// say prints at once, while the user is at the page.
SignInRunner CommandLineSignIn(HttpsClient& https, SecretStore& store,
                               std::function<void(const std::string& url)> openBrowser,
                               std::function<void(const std::string& text)> say);

// One sign-in at a time on a thread of its own; a new one, and the end, stop the one before.
class SignInRun {
  public:
    ~SignInRun() { Stop(); }
    void Start(std::function<void(const std::atomic<bool>& cancel)> work);
    void Stop();

  private:
    std::thread thread_;
    std::atomic<bool> cancel_{false};
};

// Called from the accounts' threads, one each; a sign-in's end comes from another.
class SignInTokens {
  public:
    SignInTokens(SecretStore* store, HttpsClient* https) : store_(store), https_(https) {}

    TokenAnswer Token(int account, const AccountRecord& record, bool refused);
    void SignedIn(int account, const AccountRecord& record, const Tokens& tokens);

  private:
    struct Kept {
        SignInSettings settings;
        bool imap = false;
        std::shared_ptr<AccessTokenKeeper> keeper;
        std::string given; // the last token handed out, for a refusal to name
    };
    std::shared_ptr<AccessTokenKeeper> KeeperFor(int account, const AccountRecord& record);

    SecretStore* store_;
    HttpsClient* https_;
    std::mutex mutex_;
    std::array<Kept, 3> kept_;
};

} // namespace kestrel
