#include "oauth/pkce.h"

#include "net/sasl.h"
#include "text/sha256.h"

#include <random>

namespace kestrel {

std::string Base64Url(std::string_view bytes) {
    std::string text = sasl::EncodeBase64(bytes);
    while (!text.empty() && text.back() == '=')
        text.pop_back();
    for (char& c : text) {
        if (c == '+')
            c = '-';
        else if (c == '/')
            c = '_';
    }
    return text;
}

Pkce PkceOf(std::string_view octets) {
    Pkce pkce;
    pkce.verifier = Base64Url(octets);
    const auto digest = Sha256(pkce.verifier);
    pkce.challenge = Base64Url({reinterpret_cast<const char*>(digest.data()), digest.size()});
    return pkce;
}

// libstdc++'s random_device reads the system's source: rand_s (RtlGenRandom) with MinGW,
// RDRAND, getentropy or /dev/urandom on Linux; never a seeded generator.
std::string RandomOctets(size_t count) {
    std::random_device source;
    std::string octets(count, '\0');
    for (char& octet : octets)
        octet = static_cast<char>(source() & 0xFF);
    return octets;
}

} // namespace kestrel
