// The TLS engine on OpenSSL, over two memory BIOs: what the socket received goes in, what is to
// be sent comes out. TLS 1.2 at least, whatever the system's configuration would allow.
#include "net/socket_stack.h"
#include "net/tls_engine.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace kestrel {

namespace {

std::string LastOpenSslError() {
    const unsigned long code = ERR_get_error();
    char text[256] = "unknown error";
    if (code != 0)
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return text;
}

// The verification results that say why a certificate was refused, as the account shows it.
TlsFailure WhyRefused(long verified) {
    switch (verified) {
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return TlsFailure::UnknownIssuer;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return TlsFailure::WrongName;
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return TlsFailure::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return TlsFailure::NotYetValid;
    default:
        return TlsFailure::Other;
    }
}

// The handshake's own errors that name the protocol: none in common, or bytes that are no TLS.
TlsFailure WhyFailed(unsigned long code) {
    if (ERR_GET_LIB(code) != ERR_LIB_SSL)
        return TlsFailure::Other;
    switch (ERR_GET_REASON(code)) {
    case SSL_R_UNSUPPORTED_PROTOCOL:
    case SSL_R_TLSV1_ALERT_PROTOCOL_VERSION:
        return TlsFailure::OldProtocol;
    case SSL_R_WRONG_VERSION_NUMBER:
    case SSL_R_PACKET_LENGTH_TOO_LONG:
        return TlsFailure::NotTls;
    default:
        return TlsFailure::Other;
    }
}

class OpenSslEngine : public TlsEngine {
  public:
    ~OpenSslEngine() override {
        SSL_free(ssl_); // frees both BIOs
        SSL_CTX_free(context_);
    }

    void Start(const std::string& serverName) override {
        context_ = SSL_CTX_new(TLS_client_method());
        if (!context_)
            throw TlsError(LastOpenSslError());
        if (!SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION))
            throw TlsError(LastOpenSslError());
        SSL_CTX_set_default_verify_paths(context_);
        SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
        ssl_ = SSL_new(context_);
        BIO* in = BIO_new(BIO_s_mem());
        BIO* out = BIO_new(BIO_s_mem());
        if (!ssl_ || !in || !out)
            throw TlsError(LastOpenSslError());
        SSL_set_bio(ssl_, in, out);
        in_ = in;
        out_ = out;
        X509_VERIFY_PARAM* check = SSL_get0_param(ssl_);
        X509_VERIFY_PARAM_set_hostflags(check, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        if (IsDottedQuad(serverName)) {
            X509_VERIFY_PARAM_set1_ip_asc(check, serverName.c_str());
        } else {
            SSL_set_tlsext_host_name(ssl_, serverName.c_str());
            SSL_set1_host(ssl_, serverName.c_str());
        }
        SSL_set_connect_state(ssl_);
    }

    void Feed(std::string_view received) override {
        BIO_write(in_, received.data(), static_cast<int>(received.size()));
    }

    bool Handshake() override {
        const int result = SSL_do_handshake(ssl_);
        if (result == 1) {
            if (SSL_version(ssl_) < TLS1_2_VERSION)
                throw TlsError(std::string("protocol ") + SSL_get_version(ssl_) +
                                   " older than TLS 1.2",
                               TlsFailure::OldProtocol);
            // SSL_VERIFY_PEER has failed the handshake on any failed check; this only makes
            // sure that a certificate was there to check.
            if (!SSL_get0_peer_certificate(ssl_) || SSL_get_verify_result(ssl_) != X509_V_OK)
                throw TlsError("the server's certificate was not checked");
            return true;
        }
        const int error = SSL_get_error(ssl_, result);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
            return false;
        const long verified = SSL_get_verify_result(ssl_);
        if (verified != X509_V_OK)
            throw TlsError(X509_verify_cert_error_string(verified), WhyRefused(verified));
        const TlsFailure why = WhyFailed(ERR_peek_error());
        throw TlsError(LastOpenSslError(), why);
    }

    std::string TakeOutput() override {
        std::string bytes(static_cast<size_t>(BIO_ctrl_pending(out_)), '\0');
        if (!bytes.empty())
            BIO_read(out_, bytes.data(), static_cast<int>(bytes.size()));
        return bytes;
    }

    bool Decrypt(std::string& plain) override {
        char buffer[16384];
        for (;;) {
            const int n = SSL_read(ssl_, buffer, sizeof buffer);
            if (n > 0) {
                plain.append(buffer, static_cast<size_t>(n));
                continue;
            }
            const int error = SSL_get_error(ssl_, n);
            if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
                return true;
            if (error == SSL_ERROR_ZERO_RETURN)
                return false;
            throw TlsError(LastOpenSslError());
        }
    }

    void Encrypt(std::string_view plain) override {
        if (!plain.empty() && SSL_write(ssl_, plain.data(), static_cast<int>(plain.size())) <= 0)
            throw TlsError(LastOpenSslError());
    }

    void Shutdown() override { SSL_shutdown(ssl_); }

  private:
    SSL_CTX* context_ = nullptr;
    SSL* ssl_ = nullptr;
    BIO* in_ = nullptr;
    BIO* out_ = nullptr;
};

} // namespace

std::unique_ptr<TlsEngine> NewTlsEngine() {
    return std::make_unique<OpenSslEngine>();
}

} // namespace kestrel
