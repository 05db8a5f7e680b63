#pragma once

#include "oauth/provider.h"
#include "oauth/token_endpoint.h"
#include "ports/https_client.h"
#include "ports/secret_store.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace kestrel {

// Ready: token holds the access token. SignInNeeded: no refresh token is kept. SignInExpired:
// the token endpoint refused the refresh token. Refused: even a token just refreshed was
// refused by the mail server. Failed: detail says why (the store, the network, the server).
enum class TokenState { Ready, SignInNeeded, SignInExpired, Refused, Failed };

struct KeeperAnswer {
    TokenState state = TokenState::Failed;
    std::string token;  // only when Ready
    std::string detail; // never a token
};

// The name an account's refresh token is kept under in the store, beside its password's.
std::string RefreshTokenName(int account);
// Puts the refresh token into the store and reads it back: nothing when it is surely kept, else
// the store's failure.
std::optional<SecretReply> KeepRefreshToken(SecretStore& store, int account,
                                            const std::string& token);

// One account's access token for its mail jobs. Hands out the cached token until shortly
// before it expires, then refreshes it with the refresh token from the store, keeping a new
// refresh token when one comes. Once the refresh was refused it asks nothing more until the
// next sign-in: no storm against the token endpoint. Calls may come from any thread; a refresh
// runs under the keeper's lock, so two workers never refresh at once.
class AccessTokenKeeper {
  public:
    using MonotonicClock = std::function<int64_t()>; // milliseconds
    AccessTokenKeeper(int account, OAuthSettings settings, SecretStore& store, HttpsClient& https,
                      MonotonicClock clock = SteadyMs);

    // The token for a login.
    KeeperAnswer Token();
    // The mail server refused this token. A token it got from Token() is refreshed once and the
    // new one given for one retry; one that came from such a forced refresh is not: the answer
    // is Refused, and the job ends there.
    KeeperAnswer Refused(const std::string& token);
    // After a sign-in (whose refresh token is kept already): its tokens serve from now on.
    void SignedIn(const Tokens& tokens);
    // The settings or the account changed: nothing cached is used again.
    void Forget();

    static int64_t SteadyMs();

  private:
    KeeperAnswer Refresh();
    void Cache(const Tokens& tokens);

    const int account_;
    const OAuthSettings settings_;
    SecretStore& store_;
    HttpsClient& https_;
    MonotonicClock clock_;
    std::mutex lock_;
    std::string access_;
    int64_t renewAtMs_ = 0;
    bool forced_ = false;  // access_ came from a refresh after a refusal
    bool expired_ = false; // the refresh token was refused
};

} // namespace kestrel
