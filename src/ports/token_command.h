#pragma once

#include <functional>
#include <string>

namespace kestrel {

// What a sign-in token command gave: the access token, or why there is none.
struct TokenAnswer {
    enum class Kind { Token, Failed, TimedOut, Empty };
    Kind kind = Kind::Failed;
    std::string token;  // Token: the first line of the output, without its line end
    std::string detail; // Failed: the exit code, or why it did not start
};

// Runs a command that prints an access token (a password manager's, a provider's tool): without
// a shell, with no input, and ended at the bound. Its error output is dropped, since it may hold
// the very secrets it handles. Blocks the calling thread, a mail account's own.
using TokenCommandRunner = std::function<TokenAnswer(const std::string& command, int limitMs)>;

// Commands print a token at once; one that takes longer is hanging.
inline constexpr int TokenCommandLimitMs = 10000;

} // namespace kestrel
