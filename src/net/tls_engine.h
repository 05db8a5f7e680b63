#pragma once

#include "net/exceptions.h"

#include <memory>
#include <string>
#include <string_view>

namespace kestrel {

// Why a TLS session did not come about, as far as the engine or the peer's first bytes tell.
enum class TlsFailure {
    Other,
    UnknownIssuer, // the chain ends at no root the system trusts
    WrongName,     // the certificate is for another name
    Expired,
    NotYetValid,
    OldProtocol, // the server offers nothing newer than TLS 1.1, or closed at the hello
    NotTls,      // the peer answered the hello with bytes that are no TLS record
    NoAnswer,    // the handshake ran out of time
};

// A TLS handshake that failed, or a server whose protocol or certificate did not pass the
// check; the message says which in the engine's words, Why for the account's state.
class TlsError : public ClientError {
  public:
    explicit TlsError(const std::string& reason, TlsFailure why = TlsFailure::Other)
        : ClientError("TLS: " + reason, {FailureCause::Tls, static_cast<int>(why)}), Why(why) {}
    TlsFailure Why;
};

// A TLS client over bytes: the connection feeds it what its socket received and sends what it
// produces; the engine never touches the socket. The protocol must be TLS 1.2 or newer, and the
// certificate is always checked: the chain must end at a root the system trusts, the name must
// match, the dates must hold. One implementation per platform (OpenSSL, SChannel).
class TlsEngine {
  public:
    virtual ~TlsEngine() = default;
    // Begins the handshake with the server of that name (the SNI, and the name checked).
    virtual void Start(const std::string& serverName) = 0;
    // Bytes received from the peer.
    virtual void Feed(std::string_view received) = 0;
    // Runs the handshake on with what was fed: true once it is done and the protocol and the
    // certificate passed; TlsError when any of them failed.
    virtual bool Handshake() = 0;
    // What must go to the peer now: handshake messages, records, the closing alert.
    virtual std::string TakeOutput() = 0;
    // Appends the application data decrypted from what was fed; false once the peer has ended
    // the TLS session.
    virtual bool Decrypt(std::string& plain) = 0;
    virtual void Encrypt(std::string_view plain) = 0;
    // The closing alert, into the output.
    virtual void Shutdown() = 0;
};

std::unique_ptr<TlsEngine> NewTlsEngine();

} // namespace kestrel
