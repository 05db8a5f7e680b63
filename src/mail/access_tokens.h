#pragma once

// Accounts that log in with an OAuth 2.0 access token: where a job gets it, and what the user
// is told when there is none.

#include "mail/account.h"
#include "mail/account_outcome.h"
#include "ports/token_command.h"

#include <functional>
#include <optional>

namespace kestrel {

// An account's access token, asked for on the account's own thread. refused: the server
// refused the last one given, so a source that can renew it does so now, once.
using AccessTokens =
    std::function<TokenAnswer(int account, const AccountRecord& record, bool refused)>;

// What the account shows when its source gave no token.
AccountOutcome NoTokenOutcome(const TokenAnswer& answer, SignInSettings::Source source);

// A token the server refused even fresh: no password is wrong, the token's source is.
AccountOutcome TokenRefused(AccountOutcome refusal, SignInSettings::Source source);

// Puts the account's token where the login takes its secret; or says why there is none. An
// account that logs in with a password passes as it is.
std::optional<AccountOutcome> TakeToken(int account, AccountRecord& login,
                                        const AccessTokens& tokens, bool refused);

// Whether the server refused the login because it takes no passwords at all any more, as
// Microsoft's do: the user needs OAuth, not another password.
bool RefusesAllPasswords(const std::string& serverWords, const std::string& host);

} // namespace kestrel
