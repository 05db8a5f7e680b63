#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace kestrel {

enum class MailProtocol { Pop3, Imap };

// Where an account's server field says to connect: "host" (POP3 on port 110, as always),
// "host:port", "pop3://host[:port]", and POP3 over TLS from the first byte with
// "pop3s://host[:port]" or "host:995" (port 995 unless given). IMAP the same way:
// "imap://host[:port]" (port 143), and over TLS "imaps://host[:port]" or "host:993" (port 993).
// STARTTLS only where asked for, and then required: "pop3+starttls://host[:port]" (port 110),
// "imap+starttls://host[:port]" (port 143).
struct ServerEndpoint {
    std::string host;
    uint16_t port = 110;
    bool tls = false; // from the first byte
    MailProtocol protocol = MailProtocol::Pop3;
    bool startTls = false;
    bool operator==(const ServerEndpoint&) const = default;
};

// Nothing for a field that names no server it could reach: a host beyond ASCII (an
// internationalised name is written in its "xn--" form), a port that is empty, 0, above
// 65535 or not a number, an unknown scheme, or a scheme without a host.
std::optional<ServerEndpoint> ParseServerField(std::string_view field);

// "localhost" or a dotted address in 127.0.0.0/8.
bool IsLoopbackHost(std::string_view host);

// An account's server field: the text as the user typed it, and what it names, parsed once
// when the text is set, so that nothing downstream reads the text again.
class ServerField {
  public:
    ServerField() = default;
    ServerField(std::string text) // NOLINT: a field is made from its text wherever text is at hand
        : text_(std::move(text)), endpoint_(ParseServerField(text_)) {}
    ServerField(const char* text) : ServerField(std::string(text)) {} // NOLINT: as above

    const std::string& Text() const { return text_; }
    // Nothing where the text names no server it could reach.
    const std::optional<ServerEndpoint>& Endpoint() const { return endpoint_; }
    // The host it names, empty for none.
    std::string Host() const { return endpoint_ ? endpoint_->host : std::string(); }
    bool IsImap() const { return endpoint_ && endpoint_->protocol == MailProtocol::Imap; }
    // Whether the password goes unencrypted beyond this machine: a server without TLS, named by
    // anything but "localhost" or a 127.x.x.x address.
    bool IsPlainOffLoopback() const;
    bool operator==(const ServerField& other) const { return text_ == other.text_; }

  private:
    std::string text_;
    std::optional<ServerEndpoint> endpoint_;
};

} // namespace kestrel
