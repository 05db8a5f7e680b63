#pragma once

#include "net/io_handler.h"
#include "net/tls_engine.h"

#include <memory>
#include <string>
#include <string_view>

namespace kestrel {

// What the server's first bytes say about a handshake that failed: NotTls when they are no TLS
// record, OldProtocol for a protocol_version alert or a hello below TLS 1.2, Other otherwise
// or when too few have come to tell.
TlsFailure JudgeServerStart(std::string_view first);

// The socket handler with TLS: after the connect (or, for STARTTLS, when Secure is called), the
// handshake and the certificate check, bounded in time; then every read and write goes through
// the engine. The line reader above it does not know the difference.
class TlsIoHandler : public SocketIoHandler {
  public:
    // The handshake's bound, after the connect's own.
    int HandshakeLimitMs = 5000;
    // False: the connect leaves the socket plain, and bytes pass as they are until Secure.
    bool FromFirstByte = true;

    // The handshake on the open socket, with the certificate checked against host.
    void Secure(const std::string& host);

    void ConnectTo(const std::string& host, int port, const std::string& boundIP, int boundPort,
                   int boundPortLow, int boundPortHigh, int timeoutMs) override;
    void CloseBinding() override;
    bool WaitReadable(int limitMs) override;
    int ReceiveSome(char* buffer, int length) override;
    int SendSome(const char* bytes, int length) override;

  private:
    void Handshake(const std::string& host);
    // Sends all the engine has for the peer.
    void Flush();
    // One raw receive into the engine (of nothing, when a readiness went stale); false when the
    // peer closed or the socket failed.
    bool Pull();

    std::unique_ptr<TlsEngine> engine_;
    std::string first_;  // the peer's first bytes in the handshake, to judge its failure
    std::string plain_;  // decrypted, not yet taken
    bool ended_ = false; // the peer closed: nothing more will come
};

} // namespace kestrel
