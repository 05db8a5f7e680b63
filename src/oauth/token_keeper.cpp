#include "oauth/token_keeper.h"

#include <algorithm>

namespace kestrel {

namespace {

// A token is renewed this long before it expires, so that a login never carries a token that
// runs out on the way; short-lived tokens at half their life.
constexpr int64_t RenewEarlyMs = 60000;

} // namespace

std::string RefreshTokenName(int account) {
    return "account " + std::to_string(account) + " refresh token";
}

std::optional<SecretReply> KeepRefreshToken(SecretStore& store, int account,
                                            const std::string& token) {
    return PutAndReadBack(store, RefreshTokenName(account), token);
}

int64_t AccessTokenKeeper::SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

AccessTokenKeeper::AccessTokenKeeper(int account, OAuthSettings settings, SecretStore& store,
                                     HttpsClient& https, MonotonicClock clock)
    : account_(account), settings_(std::move(settings)), store_(store), https_(https),
      clock_(std::move(clock)) {}

KeeperAnswer AccessTokenKeeper::Token() {
    std::lock_guard hold(lock_);
    if (!access_.empty() && clock_() < renewAtMs_)
        return {TokenState::Ready, access_, ""};
    return Refresh();
}

KeeperAnswer AccessTokenKeeper::Refused(const std::string& token) {
    std::lock_guard hold(lock_);
    if (token != access_ && !access_.empty() && clock_() < renewAtMs_)
        return {TokenState::Ready, access_, ""}; // another worker renewed it meanwhile
    if (token == access_ && forced_)
        return {TokenState::Refused, "", "the mail server refused a token just renewed"};
    const KeeperAnswer renewed = Refresh();
    forced_ = renewed.state == TokenState::Ready;
    return renewed;
}

void AccessTokenKeeper::SignedIn(const Tokens& tokens) {
    std::lock_guard hold(lock_);
    expired_ = false;
    Cache(tokens);
}

void AccessTokenKeeper::Forget() {
    std::lock_guard hold(lock_);
    access_.clear();
    forced_ = false;
    expired_ = false;
}

KeeperAnswer AccessTokenKeeper::Refresh() {
    access_.clear();
    forced_ = false;
    if (expired_)
        return {TokenState::SignInExpired, "", ""};
    const SecretReply kept = store_.Get(RefreshTokenName(account_));
    if (kept.answer == SecretAnswer::NotFound || (kept.answer == SecretAnswer::Done && kept.secret.empty()))
        return {TokenState::SignInNeeded, "", ""};
    if (kept.answer != SecretAnswer::Done)
        return {TokenState::Failed, "", store_.Name() + ": " + kept.words};
    const TokenOutcome outcome = RefreshTokens(https_, settings_, kept.secret);
    if (outcome.end == TokenEnd::Refused) {
        expired_ = true;
        return {TokenState::SignInExpired, "", outcome.detail};
    }
    if (outcome.end == TokenEnd::Failed)
        return {TokenState::Failed, "", outcome.detail};
    if (outcome.tokens.refresh != kept.secret) {
        // A rotated refresh token: the old one may be dead already, so a failure to keep the
        // new one is said, though this access token still serves.
        if (const auto failure = KeepRefreshToken(store_, account_, outcome.tokens.refresh)) {
            Cache(outcome.tokens);
            return {TokenState::Ready, access_, store_.Name() + ": " + failure->words};
        }
    }
    Cache(outcome.tokens);
    return {TokenState::Ready, access_, ""};
}

void AccessTokenKeeper::Cache(const Tokens& tokens) {
    access_ = tokens.access;
    const int64_t lifetimeMs = tokens.lifetimeSeconds * 1000;
    renewAtMs_ = clock_() + lifetimeMs - std::min(RenewEarlyMs, lifetimeMs / 2);
}

} // namespace kestrel
