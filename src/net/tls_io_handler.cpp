#include "net/tls_io_handler.h"

#include "net/deadline.h"
#include "net/socket_errors.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace kestrel {

namespace {
constexpr size_t JudgedBytes = 11; // a record's header and a hello's version
}

TlsFailure JudgeServerStart(std::string_view first) {
    if (first.empty())
        return TlsFailure::Other;
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(first[i]); };
    // Content types 20 to 24, then major version 3.
    if (byte(0) < 20 || byte(0) > 24 || (first.size() > 1 && byte(1) != 3))
        return TlsFailure::NotTls;
    if (byte(0) == 21 && first.size() >= 7 && byte(6) == 70) // alert: protocol_version
        return TlsFailure::OldProtocol;
    // A handshake record with a ServerHello of version 3.1 or 3.2.
    if (byte(0) == 22 && first.size() >= JudgedBytes && byte(5) == 2 && byte(9) == 3 &&
        byte(10) < 3)
        return TlsFailure::OldProtocol;
    return TlsFailure::Other;
}

void TlsIoHandler::ConnectTo(const std::string& host, int port, const std::string& boundIP,
                             int boundPort, int boundPortLow, int boundPortHigh, int timeoutMs) {
    engine_.reset();
    plain_.clear();
    ended_ = false;
    SocketIoHandler::ConnectTo(host, port, boundIP, boundPort, boundPortLow, boundPortHigh,
                               timeoutMs);
    if (FromFirstByte)
        Handshake(host);
}

void TlsIoHandler::Secure(const std::string& host) {
    if (engine_)
        throw TlsError("TLS is already on");
    Handshake(host);
}

// Nothing of the session goes out before this has passed: a failed check ends the connection
// here, with only the handshake's own bytes sent.
void TlsIoHandler::Handshake(const std::string& host) {
    engine_ = NewTlsEngine();
    engine_->Start(host);
    first_.clear();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(HandshakeLimitMs);
    // The engines tell a refused certificate apart; what the peer's first bytes show (no TLS at
    // all, too old a protocol) only this side can see the same way on every platform.
    try {
        while (!engine_->Handshake()) {
            Flush();
            if (!SocketIoHandler::WaitReadable(MsUntil(deadline)))
                throw TlsError("no answer to the handshake in time", TlsFailure::NoAnswer);
            // A server with no protocol in common may close at the hello without a word.
            if (!Pull())
                throw TlsError("the server closed the connection during the handshake",
                               first_.empty() ? TlsFailure::OldProtocol : TlsFailure::Other);
            // SChannel would wait for the rest of a "record" whose length is text.
            if (JudgeServerStart(first_) == TlsFailure::NotTls)
                throw TlsError("the server's answer is no TLS record", TlsFailure::NotTls);
        }
    } catch (const TlsError& failure) {
        const TlsFailure judged = JudgeServerStart(first_);
        const bool vague = failure.Why == TlsFailure::Other || failure.Why == TlsFailure::NoAnswer;
        if (vague && judged != TlsFailure::Other)
            throw TlsError(std::string(failure.what()).substr(5), judged);
        throw;
    }
    Flush();
    // The last handshake read may have brought the server's first record, the greeting: it
    // would wait in the engine while the socket has nothing more to say.
    ended_ = !engine_->Decrypt(plain_);
}

void TlsIoHandler::Flush() {
    const std::string bytes = engine_->TakeOutput();
    for (size_t sent = 0; sent < bytes.size();) {
        const int n =
            SocketIoHandler::SendSome(bytes.data() + sent, static_cast<int>(bytes.size() - sent));
        if (n <= 0)
            throw SocketClosed();
        sent += static_cast<size_t>(n);
    }
}

bool TlsIoHandler::Pull() {
    char buffer[16384];
    const int n = SocketIoHandler::ReceiveSome(buffer, sizeof buffer);
    if (n == sockets::SocketFailure && sockets::LastError() == sockets::WouldBlock)
        return true; // nothing after all: the socket never waits
    if (n <= 0)
        return false;
    if (first_.size() < JudgedBytes)
        first_.append(buffer, std::min(JudgedBytes - first_.size(), static_cast<size_t>(n)));
    engine_->Feed(std::string_view(buffer, static_cast<size_t>(n)));
    return true;
}

bool TlsIoHandler::WaitReadable(int limitMs) {
    if (!engine_)
        return SocketIoHandler::WaitReadable(limitMs);
    if (!plain_.empty() || ended_)
        return true;
    const bool unlimited = limitMs == -2;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    // A record may come in pieces, or carry no application data at all: wait until some does.
    for (;;) {
        if (!SocketIoHandler::WaitReadable(unlimited ? -2 : MsUntil(deadline)))
            return false;
        ended_ = !Pull() || !engine_->Decrypt(plain_);
        Flush(); // what the engine has to answer, a key update for one
        if (!plain_.empty() || ended_)
            return true;
    }
}

int TlsIoHandler::ReceiveSome(char* buffer, int length) {
    if (!engine_)
        return SocketIoHandler::ReceiveSome(buffer, length);
    if (plain_.empty())
        return ended_ ? 0 : -1;
    const size_t n = std::min(plain_.size(), static_cast<size_t>(length));
    std::memcpy(buffer, plain_.data(), n);
    plain_.erase(0, n);
    return static_cast<int>(n);
}

int TlsIoHandler::SendSome(const char* bytes, int length) {
    if (!engine_)
        return SocketIoHandler::SendSome(bytes, length);
    engine_->Encrypt(std::string_view(bytes, static_cast<size_t>(length)));
    Flush();
    return length;
}

void TlsIoHandler::CloseBinding() {
    if (engine_ && HasOpenSocket() && !ended_ && !Signal->Raised()) {
        try { // a courtesy to the peer; the socket closes anyway
            engine_->Shutdown();
            Flush();
        } catch (const ClientError&) {
        }
    }
    SocketIoHandler::CloseBinding();
}

} // namespace kestrel
