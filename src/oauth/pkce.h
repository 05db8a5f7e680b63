#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Proof Key for Code Exchange (RFC 7636), S256: the verifier stays with us, the challenge goes
// with the authorize URL, the verifier with the code.
struct Pkce {
    std::string verifier;
    std::string challenge;
};

// base64url without padding (RFC 7636 appendix A).
std::string Base64Url(std::string_view bytes);
// The pair for 32 random octets: verifier = their base64url, challenge = base64url(SHA-256).
Pkce PkceOf(std::string_view octets);
// Bytes from the system's cryptographic source, for verifiers and states.
std::string RandomOctets(size_t count);

} // namespace kestrel
