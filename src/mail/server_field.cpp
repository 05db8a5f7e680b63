#include "mail/server_field.h"

#include "pop3/text_ops.h"

namespace kestrel {

namespace {

constexpr uint16_t TlsPort = 995;

// A decimal port from 1 to 65535, nothing else.
std::optional<uint16_t> PortOf(std::string_view digits) {
    if (digits.empty() || digits.size() > 5)
        return std::nullopt;
    uint32_t port = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        port = port * 10 + static_cast<uint32_t>(c - '0');
    }
    if (port == 0 || port > 65535)
        return std::nullopt;
    return static_cast<uint16_t>(port);
}

} // namespace

std::optional<ServerEndpoint> ParseServerField(std::string_view field) {
    ServerEndpoint endpoint;
    const size_t scheme = field.find("://");
    if (scheme != std::string_view::npos) {
        const std::string_view name = field.substr(0, scheme);
        if (text::EqualsIgnoringCase(name, "pop3s"))
            endpoint = {"", TlsPort, true};
        else if (!text::EqualsIgnoringCase(name, "pop3"))
            return std::nullopt;
        field.remove_prefix(scheme + 3);
        if (field.empty() || field.front() == ':')
            return std::nullopt;
    }
    const size_t colon = field.find(':');
    if (colon != std::string_view::npos) {
        const std::optional<uint16_t> port = PortOf(field.substr(colon + 1));
        if (!port)
            return std::nullopt;
        endpoint.port = *port;
        endpoint.tls = endpoint.tls || *port == TlsPort;
        field = field.substr(0, colon);
    }
    endpoint.host = std::string(field);
    return endpoint;
}

} // namespace kestrel
