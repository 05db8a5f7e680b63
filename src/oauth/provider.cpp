#include "oauth/provider.h"

namespace kestrel {

OAuthEndpoints PresetEndpoints(OAuthProvider provider, MailService service) {
    switch (provider) {
    case OAuthProvider::Microsoft: {
        // "common" takes personal and work accounts alike; offline_access brings the refresh
        // token.
        const std::string base = "https://login.microsoftonline.com/common/oauth2/v2.0/";
        const std::string scope = service == MailService::Imap
                                      ? "https://outlook.office.com/IMAP.AccessAsUser.All"
                                      : "https://outlook.office.com/POP.AccessAsUser.All";
        return {base + "authorize", base + "token", scope + " offline_access", {}};
    }
    case OAuthProvider::Google:
        // Google gives a refresh token only when asked for offline access.
        return {"https://accounts.google.com/o/oauth2/v2/auth",
                "https://oauth2.googleapis.com/token",
                "https://mail.google.com/",
                {{"access_type", "offline"}}};
    case OAuthProvider::Custom:
        break;
    }
    return {};
}

} // namespace kestrel
