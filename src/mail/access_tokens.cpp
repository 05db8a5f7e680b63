#include "mail/access_tokens.h"

#include "text/text_ops.h"

namespace kestrel {

AccountOutcome NoTokenOutcome(const TokenAnswer& answer, SignInSettings::Source source) {
    AccountOutcome outcome;
    outcome.step = MailStep::Login;
    switch (answer.kind) {
    case TokenAnswer::Kind::Token:
        return outcome;
    case TokenAnswer::Kind::SignInNeeded:
        outcome.kind = AccountOutcome::Kind::SignInNeeded;
        return outcome;
    case TokenAnswer::Kind::SignInExpired:
        outcome.kind = AccountOutcome::Kind::SignInExpired;
        return outcome;
    case TokenAnswer::Kind::TimedOut:
        outcome.detail = "no token within " + std::to_string(TokenCommandLimitMs / 1000) + " s";
        break;
    case TokenAnswer::Kind::Empty:
        outcome.detail = "no token in its output";
        break;
    case TokenAnswer::Kind::Failed:
        outcome.detail = answer.detail;
        break;
    }
    outcome.kind = source == SignInSettings::Source::Command ? AccountOutcome::Kind::TokenFailed
                                                             : AccountOutcome::Kind::SignInFailed;
    return outcome;
}

AccountOutcome TokenRefused(AccountOutcome refusal, SignInSettings::Source source) {
    refusal.kind = source == SignInSettings::Source::Command ? AccountOutcome::Kind::TokenFailed
                                                             : AccountOutcome::Kind::SignInNeeded;
    refusal.detail = "the server refused the token: " + refusal.detail;
    return refusal;
}

std::optional<AccountOutcome> TakeToken(int account, AccountRecord& login,
                                        const AccessTokens& tokens, bool refused) {
    if (!login.signIn.UsesToken())
        return std::nullopt;
    const TokenAnswer answer = tokens ? tokens(account, login, refused)
                                      : TokenAnswer{TokenAnswer::Kind::SignInNeeded, {}, {}};
    if (answer.kind != TokenAnswer::Kind::Token)
        return NoTokenOutcome(answer, login.signIn.source);
    login.password = answer.token;
    return std::nullopt;
}

bool RefusesAllPasswords(const std::string& serverWords, const std::string& host) {
    if (serverWords.find("BasicAuthBlocked") != std::string::npos)
        return true;
    // Over POP3 the refusal reads like a wrong password: only their servers mean it so.
    const std::string name = text::Lower(host);
    const bool microsoft = name.ends_with("outlook.com") || name.ends_with("office365.com") ||
                           name.ends_with("hotmail.com") || name.ends_with("live.com");
    return microsoft &&
           serverWords.find("Logon failure: unknown user name or bad password") != std::string::npos;
}

} // namespace kestrel
