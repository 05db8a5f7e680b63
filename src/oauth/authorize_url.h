#pragma once

#include "oauth/provider.h"

#include <string>

namespace kestrel {

// What one sign-in puts into the authorize URL besides the settings.
struct AuthorizeFields {
    std::string redirectUri; // http://127.0.0.1:PORT/
    std::string state;
    std::string challenge; // PKCE, S256
    std::string loginHint; // the account's user name, or empty
};

// The page the user's browser opens: the authorization-code request with PKCE (RFC 6749 4.1.1,
// RFC 7636 4.3). A URL with a query of its own keeps it.
std::string AuthorizeUrl(const OAuthSettings& settings, const AuthorizeFields& fields);

} // namespace kestrel
