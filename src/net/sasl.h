#pragma once

// The SASL messages a mail client sends to log in: a password (PLAIN), or an OAuth 2.0 access
// token (XOAUTH2, the providers' own form, and OAUTHBEARER, RFC 7628). Both protocols carry
// them in base64; the protocol clients add the framing.

#include <string>
#include <string_view>

namespace kestrel::sasl {

enum class Mechanism { Plain, XOAuth2, OAuthBearer };

// The name a server offers it by: "PLAIN", "XOAUTH2", "OAUTHBEARER".
std::string_view Name(Mechanism mechanism);
// Whether the secret is a bearer token: never sent without TLS.
bool UsesToken(Mechanism mechanism);

struct Login {
    std::string user;
    std::string secret; // the password, or the access token
    std::string host;   // OAUTHBEARER names the server it meant the token for
    int port = 0;
};

// The client's first message, before base64.
std::string FirstMessage(Mechanism mechanism, const Login& login);
// A token the server refused comes back as a challenge carrying its reasons; this answer (before
// base64) asks for the final refusal: an empty one for XOAUTH2, a single 0x01 for OAUTHBEARER.
std::string ChallengeAnswer(Mechanism mechanism);

std::string EncodeBase64(std::string_view bytes);

} // namespace kestrel::sasl
