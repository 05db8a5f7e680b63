#include "app/sign_in_tokens.h"

#include <utility>

namespace kestrel {

OAuthSettings OAuthSettingsOf(const AccountRecord& record) {
    const SignInSettings& s = record.signIn;
    const MailService service = record.server.IsImap() ? MailService::Imap : MailService::Pop3;
    const OAuthProvider provider = s.provider == "microsoft" ? OAuthProvider::Microsoft
                                   : s.provider == "google"  ? OAuthProvider::Google
                                                             : OAuthProvider::Custom;
    OAuthSettings settings{PresetEndpoints(provider, service), s.clientId, s.clientSecret};
    if (provider == OAuthProvider::Custom) {
        settings.endpoints.authorizeUrl = s.authorizeUrl;
        settings.endpoints.tokenUrl = s.tokenUrl;
    }
    return settings;
}

std::string SignInWords(const SignInOutcome& outcome) {
    switch (outcome.end) {
    case SignInEnd::SignedIn:
        return "signed in";
    case SignInEnd::Denied:
        return "the sign-in page said no" + (outcome.detail.empty() ? "" : ": " + outcome.detail);
    case SignInEnd::Refused:
        return "the provider refused the sign-in: " + outcome.detail;
    case SignInEnd::TimedOut:
        return "the sign-in page was not finished in time";
    case SignInEnd::Cancelled:
        return "the sign-in was stopped";
    case SignInEnd::Failed:
        break;
    }
    return "the sign-in failed: " + outcome.detail;
}

SignInOutcome SignInAccount(int account, const AccountRecord& record, HttpsClient& https,
                            SecretStore& store,
                            const std::function<void(const std::string& url)>& openBrowser,
                            const std::atomic<bool>& cancel) {
    return SignIn({account, OAuthSettingsOf(record), record.user}, https, store, openBrowser,
                  cancel);
}

SignInRunner CommandLineSignIn(HttpsClient& https, SecretStore& store,
                               std::function<void(const std::string& url)> openBrowser,
                               std::function<void(const std::string& text)> say) {
    return [&https, &store, openBrowser = std::move(openBrowser), say = std::move(say)](
               int account, const AccountRecord& record) -> CommandAnswer {
        const std::string name = "account " + std::to_string(account);
        if (!store.Present())
            return {1, {}, "kestrel: " + name + ": " + store.Name() +
                               " does not answer, so a sign-in could not be kept\n"};
        const std::atomic<bool> cancel{false};
        const SignInOutcome outcome = SignInAccount(
            account, record, https, store,
            [&](const std::string& url) {
                say("Sign in on this page; kestrel opens it in your browser:\n" + url + "\n");
                openBrowser(url);
            },
            cancel);
        if (outcome.end != SignInEnd::SignedIn)
            return {1, {}, "kestrel: " + name + ": " + SignInWords(outcome) + "\n"};
        return {0, name + ": signed in; the grant is kept in " + store.Name() + "\n", {}};
    };
}

void SignInRun::Start(std::function<void(const std::atomic<bool>& cancel)> work) {
    Stop();
    cancel_ = false;
    thread_ = std::thread([this, work = std::move(work)] { work(cancel_); });
}

void SignInRun::Stop() {
    cancel_ = true;
    if (thread_.joinable())
        thread_.join();
}

std::shared_ptr<AccessTokenKeeper> SignInTokens::KeeperFor(int account,
                                                           const AccountRecord& record) {
    Kept& kept = kept_[static_cast<size_t>(account - 1)];
    if (!kept.keeper || kept.settings != record.signIn || kept.imap != record.server.IsImap()) {
        kept = {record.signIn, record.server.IsImap(),
                std::make_shared<AccessTokenKeeper>(account, OAuthSettingsOf(record), *store_,
                                                    *https_),
                {}};
    }
    return kept.keeper;
}

TokenAnswer SignInTokens::Token(int account, const AccountRecord& record, bool refused) {
    if (!store_ || !https_)
        return {TokenAnswer::Kind::SignInNeeded, {}, {}};
    std::shared_ptr<AccessTokenKeeper> keeper;
    std::string given;
    {
        std::lock_guard lock(mutex_);
        keeper = KeeperFor(account, record);
        given = kept_[static_cast<size_t>(account - 1)].given;
    }
    const KeeperAnswer answer = refused ? keeper->Refused(given) : keeper->Token();
    switch (answer.state) {
    case TokenState::Ready: {
        std::lock_guard lock(mutex_);
        kept_[static_cast<size_t>(account - 1)].given = answer.token;
        return {TokenAnswer::Kind::Token, answer.token, {}};
    }
    case TokenState::SignInExpired:
        return {TokenAnswer::Kind::SignInExpired, {}, {}};
    case TokenState::SignInNeeded:
    case TokenState::Refused:
        return {TokenAnswer::Kind::SignInNeeded, {}, {}};
    case TokenState::Failed:
        break;
    }
    return {TokenAnswer::Kind::Failed, {}, answer.detail};
}

void SignInTokens::SignedIn(int account, const AccountRecord& record, const Tokens& tokens) {
    std::lock_guard lock(mutex_);
    if (store_ && https_)
        KeeperFor(account, record)->SignedIn(tokens);
}

} // namespace kestrel
