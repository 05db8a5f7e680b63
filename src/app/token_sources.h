#pragma once

#include "mail/access_tokens.h"
#include "ports/token_command.h"

namespace kestrel {

// Where each account that logs in with a token gets it: its token command, run on the account's
// own thread; or the built-in sign-in, which keeps its tokens in the desktop's store.
AccessTokens TokenSources(TokenCommandRunner runCommand, AccessTokens signIn);

} // namespace kestrel
