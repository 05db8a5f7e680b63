#include "oauth/token_endpoint.h"

#include "oauth/url_encoding.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>

namespace kestrel {

namespace {

// When a server leaves out expires_in, an hour: what the providers give.
constexpr int64_t UnstatedLifetimeSeconds = 3600;
constexpr size_t DetailMaxBytes = 300;

std::string Text(const nlohmann::json& answer, const char* name) {
    const auto found = answer.find(name);
    return found != answer.end() && found->is_string() ? found->get<std::string>() : "";
}

// Seconds from a number or a quoted one, held to a day at most: no lifetime a server states
// may overflow a clock reading.
int64_t Lifetime(const nlohmann::json& answer) {
    constexpr double MaxSeconds = 86400;
    const auto found = answer.find("expires_in");
    double seconds = 0;
    if (found != answer.end() && found->is_number())
        seconds = found->get<double>();
    else if (found != answer.end() && found->is_string())
        seconds = std::strtod(found->get<std::string>().c_str(), nullptr);
    if (!(seconds >= 1)) // also NaN
        return UnstatedLifetimeSeconds;
    return static_cast<int64_t>(std::min(seconds, MaxSeconds));
}

TokenOutcome Post(HttpsClient& https, const OAuthSettings& settings, FormFields form) {
    form.emplace_back("client_id", settings.clientId);
    if (!settings.clientSecret.empty())
        form.emplace_back("client_secret", settings.clientSecret);
    return ReadTokenReply(
        https.PostForm(settings.endpoints.tokenUrl, FormBody(form), TokenRequestLimitMs));
}

} // namespace

TokenOutcome ReadTokenReply(const HttpsReply& reply) {
    if (!reply.reached)
        return {TokenEnd::Failed, {}, reply.failure};
    const nlohmann::json answer = nlohmann::json::parse(reply.body, nullptr, false);
    const std::string status = "HTTP " + std::to_string(reply.status);
    if (answer.is_discarded() || !answer.is_object())
        return {TokenEnd::Failed, {}, status + ", an answer that is no JSON object"};
    if (reply.status == 200) {
        Tokens tokens{Text(answer, "access_token"), Text(answer, "refresh_token"),
                      Lifetime(answer)};
        if (tokens.access.empty())
            return {TokenEnd::Failed, {}, status + ", an answer without an access token"};
        return {TokenEnd::Granted, tokens, ""};
    }
    const std::string error = Text(answer, "error");
    // A 4xx with an error code is the server's verdict on the grant; anything else (a 5xx, a
    // proxy's page, 429) may pass.
    if (reply.status >= 400 && reply.status < 500 && !error.empty()) {
        std::string detail = error;
        if (const std::string said = Text(answer, "error_description"); !said.empty())
            detail += ": " + said;
        return {TokenEnd::Refused, {}, detail.substr(0, DetailMaxBytes)};
    }
    return {TokenEnd::Failed, {}, (status + (error.empty() ? "" : ", " + error)).substr(0, DetailMaxBytes)};
}

TokenOutcome RedeemCode(HttpsClient& https, const OAuthSettings& settings, const std::string& code,
                        const std::string& verifier, const std::string& redirectUri) {
    return Post(https, settings,
                {{"grant_type", "authorization_code"},
                 {"code", code},
                 {"redirect_uri", redirectUri},
                 {"code_verifier", verifier}});
}

TokenOutcome RefreshTokens(HttpsClient& https, const OAuthSettings& settings,
                           const std::string& refreshToken) {
    TokenOutcome outcome =
        Post(https, settings, {{"grant_type", "refresh_token"}, {"refresh_token", refreshToken}});
    if (outcome.end == TokenEnd::Granted && outcome.tokens.refresh.empty())
        outcome.tokens.refresh = refreshToken;
    return outcome;
}

} // namespace kestrel
