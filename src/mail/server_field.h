#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

enum class MailProtocol { Pop3, Imap };

// Where an account's server field says to connect: "host" (POP3 on port 110, as always),
// "host:port", "pop3://host[:port]", and POP3 over TLS from the first byte with
// "pop3s://host[:port]" or "host:995" (port 995 unless given). IMAP the same way:
// "imap://host[:port]" (port 143), and over TLS "imaps://host[:port]" or "host:993" (port 993).
struct ServerEndpoint {
    std::string host;
    uint16_t port = 110;
    bool tls = false;
    MailProtocol protocol = MailProtocol::Pop3;
    bool operator==(const ServerEndpoint&) const = default;
};

// Nothing for a field that names no server it could reach: a port that is empty, 0, above
// 65535 or not a number, an unknown scheme, or a scheme without a host.
std::optional<ServerEndpoint> ParseServerField(std::string_view field);

// Whether the field names an IMAP server.
bool IsImapField(std::string_view field);

} // namespace kestrel
