// The token endpoint's answer and the redirect's query: reading either raises nothing, and a
// granted answer always carries an access token and a lifetime.
#include "oauth/token_endpoint.h"
#include "oauth/url_encoding.h"

#include <cstdlib>
#include <string>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (const int status : {200, 400, 503}) {
        const TokenOutcome outcome = ReadTokenReply({true, status, bytes, ""});
        if (outcome.end == TokenEnd::Granted &&
            (outcome.tokens.access.empty() || outcome.tokens.lifetimeSeconds <= 0))
            std::abort();
    }
    (void)ReadQuery(bytes);
    return 0;
}
