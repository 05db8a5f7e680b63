// The TLS engine on SChannel: not built yet, so every TLS connection fails closed.
#include "net/tls_engine.h"

namespace kestrel {

namespace {

class UnavailableEngine : public TlsEngine {
  public:
    void Start(const std::string&) override { throw TlsError("not available on this system"); }
    void Feed(std::string_view) override {}
    bool Handshake() override { return false; }
    std::string TakeOutput() override { return {}; }
    bool Decrypt(std::string&) override { return false; }
    void Encrypt(std::string_view) override {}
    void Shutdown() override {}
};

} // namespace

std::unique_ptr<TlsEngine> NewTlsEngine() {
    return std::make_unique<UnavailableEngine>();
}

} // namespace kestrel
