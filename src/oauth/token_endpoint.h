#pragma once

#include "oauth/provider.h"
#include "ports/https_client.h"

#include <cstdint>
#include <string>

namespace kestrel {

// Granted: tokens came. Refused: the server turned the grant down (invalid_grant and its kin):
// only a new sign-in helps. Failed: no answer, a server fault or an answer we cannot read: try
// again later.
enum class TokenEnd { Granted, Refused, Failed };

struct Tokens {
    std::string access;
    std::string refresh;         // empty when none came
    int64_t lifetimeSeconds = 0; // expires_in
};

// How a token request ended. detail never holds a token: the server's error code and
// description, or the client's words.
struct TokenOutcome {
    TokenEnd end = TokenEnd::Failed;
    Tokens tokens;
    std::string detail;
};

inline constexpr int TokenRequestLimitMs = 30000;

// The code from the redirect for tokens (RFC 6749 4.1.3, with the PKCE verifier).
TokenOutcome RedeemCode(HttpsClient& https, const OAuthSettings& settings, const std::string& code,
                        const std::string& verifier, const std::string& redirectUri);
// A refresh token for a new access token (RFC 6749 6). When no new refresh token comes back
// the old one stays good, and the outcome carries it.
TokenOutcome RefreshTokens(HttpsClient& https, const OAuthSettings& settings,
                           const std::string& refreshToken);
// The token endpoint's answer read (RFC 6749 5.1 and 5.2).
TokenOutcome ReadTokenReply(const HttpsReply& reply);

} // namespace kestrel
