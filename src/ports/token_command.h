#pragma once

#include <cstddef>
#include <functional>
#include <string>

namespace kestrel {

// What a source of access tokens gave (a token command, the built-in sign-in): the token, or
// why there is none.
struct TokenAnswer {
    // SignInNeeded: no token yet; SignInExpired: the provider refused to renew it.
    enum class Kind { Token, Failed, TimedOut, Empty, SignInNeeded, SignInExpired };
    Kind kind = Kind::Failed;
    std::string token;  // Token: the first line of the output, without its line end
    std::string detail; // Failed: the exit code, or why it did not start; never a token
};

// Runs a command that prints an access token (a password manager's, a provider's tool): without
// a shell, with no input, and ended at the bound. Its error output is dropped, since it may hold
// the very secrets it handles. Blocks the calling thread, a mail account's own.
using TokenCommandRunner = std::function<TokenAnswer(const std::string& command, int limitMs)>;

// Commands print a token at once; one that takes longer is hanging.
inline constexpr int TokenCommandLimitMs = 10000;
// A token is a few KB; more is no token command's output.
inline constexpr size_t TokenOutputLimit = 64 * 1024;

// What the output of a command that ended well gives: its first line, without the line end.
inline TokenAnswer TokenOfOutput(const std::string& output) {
    std::string token = output.substr(0, output.find('\n'));
    if (!token.empty() && token.back() == '\r')
        token.pop_back();
    if (token.empty())
        return {TokenAnswer::Kind::Empty, {}, {}};
    return {TokenAnswer::Kind::Token, std::move(token), {}};
}

} // namespace kestrel
