#include "app/application.h"

#include <algorithm>
#include <iterator>

namespace kestrel {

namespace {

using Source = SignInSettings::Source;

// The dialog's "log in with" choices beyond the password: the command, then the providers.
constexpr std::array<const char*, 3> Providers = {"microsoft", "google", "custom"};

SignInForm::Fields FieldsOf(const SignInSettings& s) {
    SignInForm::Fields fields;
    if (s.source == Source::Command)
        fields.source = 1;
    const auto provider = std::ranges::find(Providers, s.provider);
    if (s.source == Source::Provider)
        fields.source = provider == Providers.end() ? 4 : 2 + static_cast<int>(provider - Providers.begin());
    fields.mechanism = s.mechanism == sasl::Mechanism::OAuthBearer ? 1 : 0;
    fields.command = s.command;
    fields.clientId = s.clientId;
    fields.clientSecret = s.clientSecret;
    fields.authorizeUrl = s.authorizeUrl;
    fields.tokenUrl = s.tokenUrl;
    return fields;
}

SignInSettings SettingsOf(const SignInForm::Fields& fields) {
    SignInSettings s;
    const int source = std::clamp(fields.source, 0, static_cast<int>(SignInForm::Sources.size()) - 1);
    s.source = source == 0 ? Source::Password : source == 1 ? Source::Command : Source::Provider;
    if (s.source == Source::Password)
        return s;
    s.mechanism = fields.mechanism == 1 ? sasl::Mechanism::OAuthBearer : sasl::Mechanism::XOAuth2;
    s.command = fields.command;
    if (s.source == Source::Provider) {
        s.command.clear();
        s.provider = Providers[static_cast<size_t>(source - 2)];
        s.clientId = fields.clientId;
        s.clientSecret = fields.clientSecret;
        if (s.provider == "custom") {
            s.authorizeUrl = fields.authorizeUrl;
            s.tokenUrl = fields.tokenUrl;
        }
    }
    return s;
}

AccountOutcome SignInNeeded(const std::string& why) {
    AccountOutcome outcome;
    outcome.kind = AccountOutcome::Kind::SignInNeeded;
    outcome.step = MailStep::Login;
    outcome.detail = why;
    return outcome;
}

} // namespace

// The sign-in page opens in the browser; what the provider grants is kept in the desktop's
// store, so without one there is no sign-in to keep.
void Application::StartSignIn(int account, const AccountRecord& record) {
    if (!secrets_ || !https_ || !secrets_->Present()) {
        mail_.States().Take(account, SignInNeeded("no keyring here to keep a sign-in in"));
        return;
    }
    mail_.States().Take(account, SignInNeeded("finish signing in in the browser"));
    const std::shared_ptr<SignInTokens> tokens = signInTokens_;
    signInRun_.Start([this, account, record, tokens](const std::atomic<bool>& cancel) {
        Services& services = desktop_.services;
        const SignInOutcome outcome = SignInAccount(
            account, record, *https_, *secrets_,
            [&services](const std::string& url) { services.Post([&services, url] { services.OpenUrl(url); }); },
            cancel);
        if (outcome.end == SignInEnd::SignedIn)
            tokens->SignedIn(account, record, outcome.tokens);
        if (outcome.end == SignInEnd::Cancelled)
            return; // kestrel is ending, or another sign-in took its place
        services.Post([this, account, ok = outcome.end == SignInEnd::SignedIn,
                       words = SignInWords(outcome)] {
            if (ok)
                mail_.CheckAccounts({account});
            else
                mail_.States().Take(account, SignInNeeded(words));
        });
    });
}

// The account changes as the form's do: at once, written at the exit. A provider's sign-in
// starts on OK, in the browser, where the account has none that works.
void Application::ShowSignIn() {
    SignInForm form;
    form.account = currentAccount_ > 0 ? currentAccount_ : 1;
    for (int account = 1; account <= 3; ++account) {
        SignInForm::Fields& fields = form.accounts[static_cast<size_t>(account - 1)];
        fields = FieldsOf(mail_.Account(account).signIn);
        const std::optional<AccountOutcome>& state = mail_.States().Newest(account);
        fields.state = state ? StatusText(*state) : std::string();
    }
    const std::optional<SignInChoice> choice = desktop_.menus.AskSignIn(form);
    if (!choice || choice->account < 1 || choice->account > 3)
        return;
    AccountRecord record = mail_.Account(choice->account);
    const SignInSettings before = record.signIn;
    record.signIn = SettingsOf(choice->fields);
    mail_.StoreAccount(choice->account, record);
    if (currentAccount_ == choice->account)
        formStart_[static_cast<size_t>(choice->account - 1)].signIn = record.signIn;
    const std::optional<AccountOutcome>& state = mail_.States().Newest(choice->account);
    const bool signInNeeded = before != record.signIn || !state || !state->IsOk();
    if (record.signIn.source == Source::Provider && signInNeeded)
        StartSignIn(choice->account, record);
    else if (record.active && record.CanLogIn())
        mail_.CheckAccounts({choice->account});
}

} // namespace kestrel
