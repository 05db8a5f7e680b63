#pragma once

#include "net/abort_signal.h"
#include "net/component.h"
#include "net/socket_handle.h"
#include "net/wake_socket.h"

#include <memory>
#include <string>

namespace kestrel {

enum class SocksVersion { None, Socks4, Socks4A, Socks5 };
enum class SocksAuthentication { None, UsernamePassword };

// Proxy settings; nothing changes the defaults, so every connection goes straight to its peer.
class SocksInfo : public Component {
  public:
    SocksVersion Version = SocksVersion::None;
    std::string Host;
    int Port = 1080;
    SocksAuthentication Authentication = SocksAuthentication::None;
    std::string Username;
    std::string Password;
};

class IoHandler : public Component {
  public:
    // The connection hands over its own; every call below raises Aborted once it was raised.
    std::shared_ptr<AbortSignal> Signal = std::make_shared<AbortSignal>();
    // While set, a wait for input also ends when this is woken, and waits in one piece: the
    // owner of a connection that idles wakes it for other work and for the end.
    WakeSocket* AlsoWake = nullptr;

    virtual void AfterAccept() {}
    virtual void CloseBinding() {}
    virtual void ConnectTo(const std::string& host, int port, const std::string& boundIP,
                           int boundPort, int boundPortLow, int boundPortHigh, int timeoutMs) {
        (void)host, (void)port, (void)boundIP, (void)boundPort, (void)boundPortLow,
            (void)boundPortHigh, (void)timeoutMs;
    }
    virtual bool HasOpenSocket() = 0;
    virtual void PrepareBinding() {}
    virtual bool WaitReadable(int limitMs) = 0;
    // The bytes received, 0 when the peer closed, -1 on failure; never waits: -1 with WouldBlock
    // when a readiness went stale and nothing came after all.
    virtual int ReceiveSome(char* buffer, int length) = 0;
    virtual int SendSome(const char* bytes, int length) = 0;
};

// The I/O handler over one socket.
class SocketIoHandler : public IoHandler {
  public:
    ~SocketIoHandler() override;

    std::unique_ptr<SocketHandle> Binding;
    bool UseNagle = true;

    kestrel::SocksInfo& SocksInfo();

    void CloseBinding() override;
    void ConnectTo(const std::string& host, int port, const std::string& boundIP, int boundPort,
                   int boundPortLow, int boundPortHigh, int timeoutMs) override;
    bool HasOpenSocket() override { return Binding && Binding->HasHandle; }
    void PrepareBinding() override;
    bool WaitReadable(int limitMs) override;
    int ReceiveSome(char* buffer, int length) override;
    int SendSome(const char* bytes, int length) override;

  private:
    // The lookup and the connect on a worker, bounded as a whole by the limit.
    void WaitForConnect(const std::string& host, int port, int limitMs);
    bool WaitReadableOrWoken(int limitMs);
    std::unique_ptr<kestrel::SocksInfo> socksInfo_;
};

} // namespace kestrel
