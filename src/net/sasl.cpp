#include "net/sasl.h"

#include <cstdint>

namespace kestrel::sasl {

std::string_view Name(Mechanism mechanism) {
    switch (mechanism) {
    case Mechanism::XOAuth2:
        return "XOAUTH2";
    case Mechanism::OAuthBearer:
        return "OAUTHBEARER";
    case Mechanism::Plain:
        break;
    }
    return "PLAIN";
}

bool UsesToken(Mechanism mechanism) {
    return mechanism != Mechanism::Plain;
}

std::string FirstMessage(Mechanism mechanism, const Login& login) {
    switch (mechanism) {
    case Mechanism::XOAuth2:
        return "user=" + login.user +
               "\x01"
               "auth=Bearer " +
               login.secret + "\x01\x01";
    case Mechanism::OAuthBearer:
        return "n,a=" + login.user +
               ",\x01"
               "host=" +
               login.host +
               "\x01"
               "port=" +
               std::to_string(login.port) +
               "\x01"
               "auth=Bearer " +
               login.secret + "\x01\x01";
    case Mechanism::Plain:
        break;
    }
    return std::string(1, '\0') + login.user + '\0' + login.secret;
}

std::string ChallengeAnswer(Mechanism mechanism) {
    return mechanism == Mechanism::OAuthBearer ? std::string(1, '\x01') : std::string();
}

std::string EncodeBase64(std::string_view bytes) {
    static constexpr char Digits[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(bytes[i])) << 16;
        if (i + 1 < bytes.size())
            group |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[i + 1])) << 8;
        if (i + 2 < bytes.size())
            group |= static_cast<uint8_t>(bytes[i + 2]);
        out += Digits[(group >> 18) & 63];
        out += Digits[(group >> 12) & 63];
        out += i + 1 < bytes.size() ? Digits[(group >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? Digits[group & 63] : '=';
    }
    return out;
}

} // namespace kestrel::sasl
