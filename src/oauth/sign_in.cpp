#include "oauth/sign_in.h"

#include "oauth/authorize_url.h"
#include "oauth/pkce.h"
#include "oauth/redirect_listener.h"
#include "oauth/token_keeper.h"

namespace kestrel {

namespace {

SignInEnd EndOf(RedirectEnd end) {
    switch (end) {
    case RedirectEnd::Denied:
        return SignInEnd::Denied;
    case RedirectEnd::TimedOut:
        return SignInEnd::TimedOut;
    case RedirectEnd::Cancelled:
        return SignInEnd::Cancelled;
    default:
        return SignInEnd::Failed;
    }
}

SignInOutcome Redeemed(const SignInRequest& request, HttpsClient& https, SecretStore& store,
                       const std::string& code, const std::string& verifier,
                       const std::string& redirectUri) {
    const TokenOutcome redeemed = RedeemCode(https, request.settings, code, verifier, redirectUri);
    if (redeemed.end != TokenEnd::Granted)
        return {redeemed.end == TokenEnd::Refused ? SignInEnd::Refused : SignInEnd::Failed, {},
                redeemed.detail};
    if (redeemed.tokens.refresh.empty())
        return {SignInEnd::Failed, {}, "no refresh token came: offline access was not granted"};
    if (const auto failure = KeepRefreshToken(store, request.account, redeemed.tokens.refresh))
        return {SignInEnd::Failed, {}, store.Name() + ": " + failure->words};
    return {SignInEnd::SignedIn, redeemed.tokens, ""};
}

} // namespace

SignInOutcome SignIn(const SignInRequest& request, HttpsClient& https, SecretStore& store,
                     const std::function<void(const std::string& url)>& openBrowser,
                     const std::atomic<bool>& cancel) {
    RedirectListener listener;
    if (!listener.Failure().empty())
        return {SignInEnd::Failed, {}, listener.Failure()};
    const Pkce pkce = PkceOf(RandomOctets(32));
    const std::string state = Base64Url(RandomOctets(16));
    openBrowser(AuthorizeUrl(request.settings, {listener.RedirectUri(), state, pkce.challenge,
                                                request.userName}));
    const Redirect redirect = listener.Wait(state, request.waitMs, cancel);
    if (redirect.end != RedirectEnd::Code)
        return {EndOf(redirect.end), {}, redirect.detail};
    return Redeemed(request, https, store, redirect.code, pkce.verifier, listener.RedirectUri());
}

} // namespace kestrel
