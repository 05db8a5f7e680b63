// The TLS engine on SChannel (secur32, crypt32). SChannel is asked to check nothing itself, and
// under Wine it would not: the protocol, the chain, the name and the dates are checked here,
// after the handshake and before the engine gives the connection anything to send.
#include "net/tls_engine.h"

#define SECURITY_WIN32
#include <windows.h>

#include <schannel.h>
#include <security.h>
#include <wincrypt.h>

#include <cstdio>
#include <cstring>

namespace kestrel {

namespace {

std::string Hex(long status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
    return text;
}

// TLS 1.2 at least. TLS 1.3 only where the system has it: Wine's SChannel has not, and refuses
// credentials that ask for TLS 1.3 alone.
constexpr DWORD Protocols = SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT;

constexpr ULONG RequestFlags = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT |
                               ISC_REQ_CONFIDENTIALITY | ISC_REQ_ALLOCATE_MEMORY |
                               ISC_REQ_STREAM | ISC_REQ_EXTENDED_ERROR;

SecBuffer Buffer(unsigned long type, void* data = nullptr, unsigned long size = 0) {
    SecBuffer buffer;
    buffer.BufferType = type;
    buffer.pvBuffer = data;
    buffer.cbBuffer = size;
    return buffer;
}

// A chain's trust status bits, the most telling first.
TlsFailure WhyChainFailed(DWORD problems, TlsFailure outOfDate) {
    if (problems & (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return TlsFailure::UnknownIssuer;
    if (problems & CERT_TRUST_IS_NOT_TIME_VALID)
        return outOfDate;
    return TlsFailure::Other;
}

// The SSL policy's verdict.
TlsFailure WhyPolicyFailed(long error, TlsFailure outOfDate) {
    switch (static_cast<unsigned long>(error)) {
    case 0x800B0109: // CERT_E_UNTRUSTEDROOT
    case 0x800B010A: // CERT_E_CHAINING
        return TlsFailure::UnknownIssuer;
    case 0x800B010F: // CERT_E_CN_NO_MATCH
        return TlsFailure::WrongName;
    case 0x800B0101: // CERT_E_EXPIRED
        return outOfDate;
    default:
        return TlsFailure::Other;
    }
}

class SchannelEngine : public TlsEngine {
  public:
    ~SchannelEngine() override {
        if (haveContext_)
            DeleteSecurityContext(&context_);
        if (haveCredentials_)
            FreeCredentialsHandle(&credentials_);
    }

    void Start(const std::string& serverName) override {
        serverName_.assign(serverName.begin(), serverName.end()); // host names are ASCII
        SCHANNEL_CRED settings{};
        settings.dwVersion = SCHANNEL_CRED_VERSION;
        settings.dwFlags = SCH_CRED_NO_DEFAULT_CREDS | SCH_CRED_MANUAL_CRED_VALIDATION;
        settings.grbitEnabledProtocols = Protocols;
        TimeStamp expiry;
        SECURITY_STATUS status = AcquireCredentialsHandleW(
            nullptr, const_cast<wchar_t*>(UNISP_NAME_W), SECPKG_CRED_OUTBOUND, nullptr,
            &settings, nullptr, nullptr, &credentials_, &expiry);
        if (status != SEC_E_OK) { // a system that cannot offer TLS 1.3 through these credentials
            settings.grbitEnabledProtocols = SP_PROT_TLS1_2_CLIENT;
            status = AcquireCredentialsHandleW(nullptr, const_cast<wchar_t*>(UNISP_NAME_W),
                                               SECPKG_CRED_OUTBOUND, nullptr, &settings, nullptr,
                                               nullptr, &credentials_, &expiry);
        }
        if (status != SEC_E_OK)
            throw TlsError("no credentials " + Hex(status));
        haveCredentials_ = true;
        Step(); // the client's hello
    }

    void Feed(std::string_view received) override { in_.append(received); }

    bool Handshake() override {
        while (!done_ && !in_.empty()) {
            if (!Step())
                return false;
        }
        return done_;
    }

    std::string TakeOutput() override {
        std::string bytes;
        bytes.swap(out_);
        return bytes;
    }

    bool Decrypt(std::string& plain) override {
        while (!in_.empty()) {
            SecBuffer buffers[4] = {Buffer(SECBUFFER_DATA, in_.data(), Size(in_.size())),
                                    Buffer(SECBUFFER_EMPTY), Buffer(SECBUFFER_EMPTY),
                                    Buffer(SECBUFFER_EMPTY)};
            SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = DecryptMessage(&context_, &message, 0, nullptr);
            if (status == SEC_E_INCOMPLETE_MESSAGE)
                return true;
            if (status == SEC_I_CONTEXT_EXPIRED)
                return false; // the peer's closing alert
            if (status != SEC_E_OK)
                throw TlsError("cannot decrypt " + Hex(status));
            std::string extra;
            for (const SecBuffer& b : buffers) {
                if (b.BufferType == SECBUFFER_DATA)
                    plain.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
                else if (b.BufferType == SECBUFFER_EXTRA)
                    extra.assign(in_.data() + in_.size() - b.cbBuffer, b.cbBuffer);
            }
            in_ = std::move(extra);
        }
        return true;
    }

    void Encrypt(std::string_view plain) override {
        while (!plain.empty()) {
            const size_t n = std::min<size_t>(plain.size(), sizes_.cbMaximumMessage);
            std::string record(sizes_.cbHeader + n + sizes_.cbTrailer, '\0');
            std::memcpy(record.data() + sizes_.cbHeader, plain.data(), n);
            SecBuffer buffers[4] = {
                Buffer(SECBUFFER_STREAM_HEADER, record.data(), sizes_.cbHeader),
                Buffer(SECBUFFER_DATA, record.data() + sizes_.cbHeader, Size(n)),
                Buffer(SECBUFFER_STREAM_TRAILER, record.data() + sizes_.cbHeader + n,
                       sizes_.cbTrailer),
                Buffer(SECBUFFER_EMPTY)};
            SecBufferDesc message{SECBUFFER_VERSION, 4, buffers};
            const SECURITY_STATUS status = EncryptMessage(&context_, 0, &message, 0);
            if (status != SEC_E_OK)
                throw TlsError("cannot encrypt " + Hex(status));
            out_.append(record.data(),
                        buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer);
            plain.remove_prefix(n);
        }
    }

    void Shutdown() override {
        DWORD token = SCHANNEL_SHUTDOWN;
        SecBuffer buffer = Buffer(SECBUFFER_TOKEN, &token, sizeof token);
        SecBufferDesc description{SECBUFFER_VERSION, 1, &buffer};
        if (ApplyControlToken(&context_, &description) == SEC_E_OK)
            Step(); // makes the closing alert
    }

  private:
    static unsigned long Size(size_t n) { return static_cast<unsigned long>(n); }

    // One call of the handshake with what was received; false when it needs more bytes.
    bool Step() {
        SecBuffer input[2] = {Buffer(SECBUFFER_TOKEN, in_.data(), Size(in_.size())),
                              Buffer(SECBUFFER_EMPTY)};
        SecBuffer output[3] = {Buffer(SECBUFFER_TOKEN), Buffer(SECBUFFER_ALERT),
                               Buffer(SECBUFFER_EMPTY)};
        SecBufferDesc inputs{SECBUFFER_VERSION, 2, input};
        SecBufferDesc outputs{SECBUFFER_VERSION, 3, output};
        ULONG attributes = 0;
        TimeStamp expiry;
        const bool first = !haveContext_;
        const SECURITY_STATUS status = InitializeSecurityContextW(
            &credentials_, first ? nullptr : &context_, serverName_.data(), RequestFlags, 0, 0,
            first ? nullptr : &inputs, 0, &context_, &outputs, &attributes,
            &expiry);
        haveContext_ = true;
        for (SecBuffer& b : output) {
            if (b.BufferType == SECBUFFER_TOKEN && b.pvBuffer && b.cbBuffer > 0)
                out_.append(static_cast<const char*>(b.pvBuffer), b.cbBuffer);
            if (b.pvBuffer)
                FreeContextBuffer(b.pvBuffer);
        }
        if (status == SEC_E_INCOMPLETE_MESSAGE)
            return false;
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED)
            throw TlsError("handshake failed " + Hex(status));
        // What the call did not consume stays: after the last step it is already the
        // server's first record (the greeting).
        in_ = input[1].BufferType == SECBUFFER_EXTRA
                  ? in_.substr(in_.size() - input[1].cbBuffer)
                  : std::string();
        if (status == SEC_E_OK && !done_ && !first) {
            CheckProtocol();
            CheckCertificate();
            const SECURITY_STATUS sized =
                QueryContextAttributesW(&context_, SECPKG_ATTR_STREAM_SIZES, &sizes_);
            if (sized != SEC_E_OK)
                throw TlsError("no stream sizes " + Hex(sized));
            done_ = true;
        }
        return true;
    }

    // The credentials asked for no older protocol; this holds also where a system would not
    // listen to them.
    void CheckProtocol() {
        SecPkgContext_ConnectionInfo connection{};
        const SECURITY_STATUS status =
            QueryContextAttributesW(&context_, SECPKG_ATTR_CONNECTION_INFO, &connection);
        if (status != SEC_E_OK)
            throw TlsError("no connection info " + Hex(status));
        if ((connection.dwProtocol & Protocols) == 0)
            throw TlsError("protocol " + Hex(static_cast<long>(connection.dwProtocol)) +
                               " older than TLS 1.2",
                           TlsFailure::OldProtocol);
    }

    // The chain must end at a trusted root, with nothing wrong on the way (a chain that stops
    // short of any root passes the SSL policy under Wine, so it is looked at first), and the
    // SSL policy must accept it for the server's name, its dates included.
    void CheckCertificate() {
        PCCERT_CONTEXT certificate = nullptr;
        if (QueryContextAttributesW(&context_, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &certificate) !=
                SEC_E_OK ||
            !certificate)
            throw TlsError("the server sent no certificate");
        LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
        CERT_CHAIN_PARA parameters{};
        parameters.cbSize = sizeof parameters;
        parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
        parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
        parameters.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
        PCCERT_CHAIN_CONTEXT chain = nullptr;
        const BOOL built = CertGetCertificateChain(nullptr, certificate, nullptr,
                                                   certificate->hCertStore, &parameters, 0,
                                                   nullptr, &chain);
        // Neither the chain status nor the policy tells "expired" from "not yet valid".
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        const TlsFailure outOfDate =
            CompareFileTime(&now, &certificate->pCertInfo->NotBefore) < 0
                ? TlsFailure::NotYetValid
                : TlsFailure::Expired;
        CertFreeCertificateContext(certificate);
        if (!built || !chain)
            throw TlsError("no certificate chain");
        const DWORD tolerated = CERT_TRUST_REVOCATION_STATUS_UNKNOWN |
                                CERT_TRUST_IS_OFFLINE_REVOCATION;
        const DWORD problems = chain->TrustStatus.dwErrorStatus & ~tolerated;
        HTTPSPolicyCallbackData server{};
        server.cbSize = sizeof server;
        server.dwAuthType = AUTHTYPE_SERVER;
        server.pwszServerName = serverName_.data();
        CERT_CHAIN_POLICY_PARA policy{};
        policy.cbSize = sizeof policy;
        policy.pvExtraPolicyPara = &server;
        CERT_CHAIN_POLICY_STATUS verdict{};
        verdict.cbSize = sizeof verdict;
        const BOOL checked =
            CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain, &policy, &verdict);
        CertFreeCertificateChain(chain);
        if (problems != 0)
            throw TlsError("certificate chain " + Hex(static_cast<long>(problems)),
                           WhyChainFailed(problems, outOfDate));
        if (!checked || verdict.dwError != 0)
            throw TlsError("certificate " + Hex(static_cast<long>(verdict.dwError)),
                           WhyPolicyFailed(static_cast<long>(verdict.dwError), outOfDate));
    }

    CredHandle credentials_{};
    CtxtHandle context_{};
    bool haveCredentials_ = false;
    bool haveContext_ = false;
    bool done_ = false;
    std::wstring serverName_;
    SecPkgContext_StreamSizes sizes_{};
    std::string in_;  // received, not yet taken by SChannel
    std::string out_; // for the peer
};

} // namespace

std::unique_ptr<TlsEngine> NewTlsEngine() {
    return std::make_unique<SchannelEngine>();
}

} // namespace kestrel
