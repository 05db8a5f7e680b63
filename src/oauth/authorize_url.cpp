#include "oauth/authorize_url.h"

namespace kestrel {

std::string AuthorizeUrl(const OAuthSettings& settings, const AuthorizeFields& fields) {
    FormFields query = {{"response_type", "code"},
                        {"client_id", settings.clientId},
                        {"redirect_uri", fields.redirectUri},
                        {"scope", settings.endpoints.scope},
                        {"state", fields.state},
                        {"code_challenge", fields.challenge},
                        {"code_challenge_method", "S256"}};
    if (!fields.loginHint.empty())
        query.emplace_back("login_hint", fields.loginHint);
    query.insert(query.end(), settings.endpoints.extraAuthorize.begin(),
                 settings.endpoints.extraAuthorize.end());
    const std::string& base = settings.endpoints.authorizeUrl;
    return base + (base.find('?') == std::string::npos ? '?' : '&') + FormBody(query);
}

} // namespace kestrel
