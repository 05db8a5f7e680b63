#pragma once

// What each command of a table gives a token runner, within its bound: the same checks on every
// platform, with each platform's own commands.

#include "ports/token_command.h"

#include <gtest/gtest.h>

#include <chrono>
#include <span>

namespace kestrel::testing {

struct TokenOutcome {
    const char* command;
    TokenAnswer::Kind kind;
    const char* token;
    const char* detail;
};

// A command that hangs is ended within the bound and a second more.
inline void ExpectTokenOutcomes(std::span<const TokenOutcome> rows, const TokenCommandRunner& run,
                                int limitMs) {
    for (const TokenOutcome& row : rows) {
        const auto start = std::chrono::steady_clock::now();
        const TokenAnswer answer = run(row.command, limitMs);
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(limitMs + 1500))
            << row.command;
        EXPECT_EQ(static_cast<int>(answer.kind), static_cast<int>(row.kind)) << row.command;
        EXPECT_EQ(answer.token, row.token) << row.command;
        EXPECT_EQ(answer.detail, row.detail) << row.command;
    }
}

} // namespace kestrel::testing
