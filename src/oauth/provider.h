#pragma once

#include "oauth/url_encoding.h"

#include <string>

namespace kestrel {

enum class OAuthProvider { Microsoft, Google, Custom };
enum class MailService { Imap, Pop3 };

// Where an account signs in and what it asks for.
struct OAuthEndpoints {
    std::string authorizeUrl;
    std::string tokenUrl;
    std::string scope;       // space-separated
    FormFields extraAuthorize; // what a provider needs beyond the standard fields
};

// What the user entered for one account: the endpoints (a preset's or their own), the client id
// of the app they registered, and for Google's desktop clients its "secret", which is no secret.
struct OAuthSettings {
    OAuthEndpoints endpoints;
    std::string clientId;
    std::string clientSecret; // empty for public clients
};

// The provider's published endpoints and mail scopes. Custom gives empty ones, for the user's.
OAuthEndpoints PresetEndpoints(OAuthProvider provider, MailService service);

} // namespace kestrel
