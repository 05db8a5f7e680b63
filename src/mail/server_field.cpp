#include "mail/server_field.h"

#include "text/conversion.h"
#include "text/text_ops.h"
#include "text/utf8.h"

#include <array>

namespace kestrel {

namespace {

constexpr uint16_t Pop3TlsPort = 995;
constexpr uint16_t ImapTlsPort = 993;

struct Scheme {
    std::string_view name;
    ServerEndpoint endpoint;
};

const std::array<Scheme, 6> Schemes{{
    {"pop3", {"", 110, false, MailProtocol::Pop3}},
    {"pop3s", {"", Pop3TlsPort, true, MailProtocol::Pop3}},
    {"pop3+starttls", {"", 110, false, MailProtocol::Pop3, true}},
    {"imap", {"", 143, false, MailProtocol::Imap}},
    {"imaps", {"", ImapTlsPort, true, MailProtocol::Imap}},
    {"imap+starttls", {"", 143, false, MailProtocol::Imap, true}},
}};

std::optional<ServerEndpoint> FromScheme(std::string_view name) {
    for (const Scheme& scheme : Schemes) {
        if (text::EqualsIgnoringCase(name, scheme.name))
            return scheme.endpoint;
    }
    return std::nullopt;
}

} // namespace

std::optional<ServerEndpoint> ParseServerField(std::string_view field) {
    ServerEndpoint endpoint;
    bool schemeGiven = false;
    const size_t scheme = field.find("://");
    if (scheme != std::string_view::npos) {
        const std::optional<ServerEndpoint> named = FromScheme(field.substr(0, scheme));
        if (!named)
            return std::nullopt;
        endpoint = *named;
        schemeGiven = true;
        field.remove_prefix(scheme + 3);
        if (field.empty() || field.front() == ':')
            return std::nullopt;
    }
    const size_t colon = field.find(':');
    if (colon != std::string_view::npos) {
        // A port is 1 to 65535 in at most five digits.
        const std::string_view digits = field.substr(colon + 1);
        const std::optional<uint16_t> port =
            digits.size() <= 5 ? DecimalOf<uint16_t>(digits) : std::nullopt;
        if (!port || *port == 0)
            return std::nullopt;
        endpoint.port = *port;
        // Without a scheme, the IMAP over TLS port names IMAP; either TLS port means TLS.
        if (!schemeGiven && *port == ImapTlsPort)
            endpoint.protocol = MailProtocol::Imap;
        const uint16_t tlsPort =
            endpoint.protocol == MailProtocol::Imap ? ImapTlsPort : Pop3TlsPort;
        // STARTTLS was asked for by name: a port never turns it into TLS from the first byte.
        endpoint.tls = endpoint.tls || (*port == tlsPort && !endpoint.startTls);
        field = field.substr(0, colon);
    }
    // A name in another script is the user's to write in its ASCII form ("xn--"): the name
    // service is asked for ASCII only.
    if (!IsAscii(field))
        return std::nullopt;
    endpoint.host = std::string(field);
    return endpoint;
}

bool IsLoopbackHost(std::string_view host) {
    if (text::EqualsIgnoringCase(host, "localhost"))
        return true;
    if (!host.starts_with("127."))
        return false;
    int parts = 0;
    while (!host.empty()) {
        const std::string_view part = host.substr(0, host.find('.'));
        if (part.size() > 3 || !DecimalOf<uint8_t>(part))
            return false;
        host.remove_prefix(std::min(host.size(), part.size() + 1));
        ++parts;
    }
    return parts == 4;
}

bool ServerField::IsPlainOffLoopback() const {
    return endpoint_ && !endpoint_->tls && !endpoint_->startTls && !IsLoopbackHost(endpoint_->host);
}

} // namespace kestrel
