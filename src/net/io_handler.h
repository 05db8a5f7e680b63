#pragma once

#include "net/component.h"
#include "net/socket_handle.h"

#include <memory>
#include <string>

namespace kestrel {

enum class TSocksVersion { svNoSocks, svSocks4, svSocks4A, svSocks5 };
enum class TSocksAuthentication { saNoAuthentication, saUsernamePassword };

// Proxy settings; nothing changes the defaults, so every connection goes straight to its peer.
class TIdSocksInfo : public TIdComponent {
  public:
    TSocksVersion Version = TSocksVersion::svNoSocks;
    std::string Host;
    int Port = 1080;
    TSocksAuthentication Authentication = TSocksAuthentication::saNoAuthentication;
    std::string Username;
    std::string Password;
};

class TIdIOHandler : public TIdComponent {
  public:
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
    virtual int ReceiveSome(char* buffer, int length) = 0;
    virtual int SendSome(const char* bytes, int length) = 0;
};

// The I/O handler over one socket.
class TIdIOHandlerSocket : public TIdIOHandler {
  public:
    std::unique_ptr<TIdSocketHandle> Binding;
    bool UseNagle = true;

    TIdSocksInfo& SocksInfo();

    void CloseBinding() override;
    void ConnectTo(const std::string& host, int port, const std::string& boundIP, int boundPort,
                   int boundPortLow, int boundPortHigh, int timeoutMs) override;
    bool HasOpenSocket() override { return Binding && Binding->HasHandle; }
    void PrepareBinding() override;
    bool WaitReadable(int limitMs) override;
    int ReceiveSome(char* buffer, int length) override;
    int SendSome(const char* bytes, int length) override;

  private:
    void WaitForConnect(int limitMs);
    std::unique_ptr<TIdSocksInfo> socksInfo_;
};

} // namespace kestrel
