#pragma once

#include "oauth/provider.h"
#include "oauth/token_endpoint.h"
#include "ports/https_client.h"
#include "ports/secret_store.h"

#include <atomic>
#include <functional>
#include <string>

namespace kestrel {

// SignedIn: the refresh token is in the store and tokens holds the first access token.
// Denied: the user or the provider said no at the sign-in page. Refused: the token endpoint
// turned the code down. TimedOut, Cancelled: no redirect came. Failed: the listener, the
// network or the store; detail says which.
enum class SignInEnd { SignedIn, Denied, Refused, TimedOut, Cancelled, Failed };

struct SignInOutcome {
    SignInEnd end = SignInEnd::Failed;
    Tokens tokens;
    std::string detail; // never a token
};

struct SignInRequest {
    int account = 1;
    OAuthSettings settings;
    std::string userName; // the login hint, or empty
    int waitMs = 5 * 60 * 1000; // for the user at the sign-in page
};

// The whole sign-in of one account, on a worker thread: PKCE and a state, the listener on
// 127.0.0.1, the authorize URL handed to openBrowser (the front end opens it in the user's
// browser: xdg-open on Linux, ShellExecute on Windows), the wait for the redirect, the code
// redeemed, the refresh token kept. cancel, from any thread, ends the wait.
SignInOutcome SignIn(const SignInRequest& request, HttpsClient& https, SecretStore& store,
                     const std::function<void(const std::string& url)>& openBrowser,
                     const std::atomic<bool>& cancel);

} // namespace kestrel
