#include "net/tcp_connection.h"

#include "net/deadline.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"
#include "net/tls_io_handler.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace kestrel {

namespace {

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string Trimmed(const std::string& text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlankOrControl);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlankOrControl).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace

TcpConnection::TcpConnection() {
    PendingInput.AfterRemove = [this](size_t n) {
        CountWork(WorkMode::Read, static_cast<int64_t>(n));
    };
}

TcpConnection::~TcpConnection() {
    DropSocket();
}

void TcpConnection::Abort() {
    abort_->Raise();
}

void TcpConnection::ResetReadState() {
    PendingInput.Clear();
    PeerClosed = false;
}

bool TcpConnection::IsConnected() {
    CheckPeerClosed(false, false);
    return ioHandler_ && ioHandler_->HasOpenSocket();
}

void TcpConnection::CloseConnection() {
    ReportStatus(ConnectionStatus::Disconnecting);
    DropSocket();
    FreeIOHandler();
    ReportStatus(ConnectionStatus::Disconnected);
}

void TcpConnection::DropSocket() {
    if (!ioHandler_)
        return;
    PeerClosed = true;
    ioHandler_->CloseBinding();
}

void TcpConnection::CheckPeerClosed(bool raiseIfClosed, bool ignoreBuffer) {
    bool closed;
    if (PeerClosed || !ioHandler_) {
        closed = false;
        if (ioHandler_) {
            if (ioHandler_->HasOpenSocket()) {
                DropSocket();
                ReportStatus(ConnectionStatus::Disconnected);
            }
            closed = true;
        }
    } else {
        closed = !ioHandler_->HasOpenSocket();
    }
    if (closed && raiseIfClosed && (PendingInput.Size() == 0 || ignoreBuffer))
        throw ClosedGracefully();
}

int TcpConnection::FillPendingInput(bool raiseIfClosed, int limitMs, bool raiseOnTimeout) {
    CheckAborted();
    if (limitMs == DefaultLimit)
        limitMs = ReadTimeout == 0 ? NoLimit : ReadTimeout;
    CheckPeerClosed(raiseIfClosed, false);
    if (!IsConnected()) {
        if (raiseIfClosed)
            throw NotConnected();
        return 0;
    }
    int n;
    do {
        if (!ioHandler_->WaitReadable(limitMs)) {
            if (raiseOnTimeout)
                throw kestrel::ReadTimeout();
            return -1;
        }
        receiveScratch_.resize(static_cast<size_t>(RecvBufferSize));
        n = ioHandler_->ReceiveSome(receiveScratch_.data(), RecvBufferSize);
        if (n == sockets::SocketFailure && sockets::LastError() == sockets::WouldBlock) {
            n = 0; // the socket never waits: a readiness gone stale is waited for again
            continue;
        }
        PeerClosed = n == 0;
        if (n != 0 &&
            Stack().CheckSocketResult(n, {sockets::SocketShutDown, sockets::ConnectionAborted})) {
            const int code = Stack().LastSocketError;
            n = 0;
            DropSocket();
            if (PendingInput.Size() == 0)
                Stack().RaiseSocketFailure(code);
        }
        if (n > 0) {
            receiveScratch_.resize(static_cast<size_t>(n));
            if (ASCIIFilter) {
                for (char& c : receiveScratch_)
                    c = static_cast<char>(c & 0x7F);
            }
            PendingInput.Append(receiveScratch_);
        }
        CheckPeerClosed(raiseIfClosed, false);
    } while (n == 0 && IsConnected());
    return n;
}

void TcpConnection::RaiseLineTooLong() {
    throw LineTooLong();
}

std::string TcpConnection::ReadLine(const std::string& terminator, int limitMs, int maxLength) {
    std::string line;
    ReadLine(line, terminator, limitMs, maxLength);
    return line;
}

void TcpConnection::TakeInto(std::string& line, size_t n) {
    line.assign(PendingInput.Unread().data(), n);
    PendingInput.DiscardQuietly(n);
    CountWork(WorkMode::Read, static_cast<int64_t>(n));
}

void TcpConnection::ReadLine(std::string& line, std::string_view terminator, int limitMs,
                             int maxLength) {
    CheckAborted(); // even with the line already buffered
    if (maxLength == -1)
        maxLength = MaxLineLength;
    const std::string_view term = terminator.empty() ? std::string_view("\n") : terminator;
    const bool bounded = limitMs != DefaultLimit && limitMs != NoLimit;
    Clock::time_point deadline;
    if (bounded)
        deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    LineWasSplit = false;
    LineTimedOut = false;
    const auto tooLong = [&](size_t length) {
        return maxLength != 0 && length > static_cast<size_t>(maxLength);
    };
    size_t scanned = 0;
    for (;;) {
        const std::string_view unread = PendingInput.Unread();
        // Each byte is searched once: the next pass starts where this one stopped, less the
        // bytes a longer terminator could straddle.
        const size_t from = scanned >= term.size() ? scanned - (term.size() - 1) : 0;
        size_t at = std::string_view::npos;
        if (term.size() == 1) {
            const void* hit = std::memchr(unread.data() + from, term[0], unread.size() - from);
            if (hit)
                at = static_cast<size_t>(static_cast<const char*>(hit) - unread.data());
        } else {
            at = unread.find(term, from);
        }
        scanned = unread.size();
        if (at != std::string_view::npos ? tooLong(at) : tooLong(unread.size())) {
            if (MaxLineAction == kestrel::MaxLineAction::Raise)
                RaiseLineTooLong();
            LineWasSplit = true;
            TakeInto(line, static_cast<size_t>(maxLength));
            return;
        }
        if (at != std::string_view::npos) {
            TakeInto(line, at + term.size());
            line.resize(at);
            if (term == "\n" && !line.empty() && line.back() == '\r')
                line.pop_back();
            return;
        }
        CheckPeerClosed(true, true);
        const int wait = bounded ? MsUntil(deadline) : limitMs;
        if (FillPendingInput(true, wait, limitMs == DefaultLimit) <= 0) {
            LineTimedOut = true;
            line.clear();
            return;
        }
    }
}

bool TcpConnection::ReadBytes(std::string& out, size_t n, int limitMs) {
    CheckAborted();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (PendingInput.Size() < n) {
        CheckPeerClosed(true, true);
        if (FillPendingInput(true, MsUntil(deadline), false) <= 0) {
            out.clear();
            return false;
        }
    }
    TakeInto(out, n);
    return true;
}

std::string TcpConnection::ReadNonEmptyLine(int maxTries, int limitMs) {
    std::string result;
    for (int tries = 0; result.empty() && tries < maxTries; ++tries) {
        result = Trimmed(ReadLine("\n", limitMs));
        // The caller's bound ran out; a peer that closed behind a partial line is left to the
        // next read, which raises.
        if (result.empty() && LineTimedOut && limitMs != DefaultLimit && limitMs != NoLimit &&
            IsConnected())
            break;
    }
    return result;
}

void TcpConnection::WriteText(const std::string& text) {
    if (!text.empty())
        SendBytes(text.data(), static_cast<int>(text.size()));
}

void TcpConnection::WriteLine(const std::string& text) {
    WriteText(text + "\r\n");
}

void TcpConnection::SendBytes(const char* bytes, int count, bool writeNow) {
    (void)writeNow; // there is no write buffer: every write goes out at once
    if (count <= 0 || !bytes)
        return;
    CheckAborted();
    CheckPeerClosed(true, true);
    if (!IsConnected())
        throw NotConnected();
    const std::string copy(bytes, static_cast<size_t>(count));
    int position = 0;
    while (position < count) {
        const int r = ioHandler_->SendSome(copy.data() + position, count - position);
        PeerClosed = r == 0;
        CheckPeerClosed(true, false);
        if (Stack().CheckSocketResult(r, {sockets::SocketShutDown, sockets::ConnectionAborted,
                                          sockets::ConnectionReset})) {
            DropSocket();
            Stack().RaiseSocketFailure(sockets::LastError());
        }
        CountWork(WorkMode::Write, r);
        position += r;
    }
}

void TcpClient::OpenConnection(int limitMs) {
    CheckAborted();
    if (IOHandler() && IOHandler()->HasOpenSocket())
        throw AlreadyConnected();
    if (!IOHandler()) {
        std::unique_ptr<SocketIoHandler> handler;
        if (UseTls || UseStartTls)
            handler = std::make_unique<TlsIoHandler>();
        else
            handler = std::make_unique<SocketIoHandler>();
        handler->OnStatus = OnStatus;
        SetIOHandler(std::move(handler));
    }
    if (auto* tls = dynamic_cast<TlsIoHandler*>(IOHandler()))
        tls->FromFirstByte = UseTls;
    secure_ = false;
    try {
        IOHandler()->PrepareBinding();
        ResetReadState();
        IOHandler()->ConnectTo(Host, Port, BoundIP, BoundPort, BoundPortLow, BoundPortHigh,
                               limitMs);
        secure_ = UseTls;
        ReportStatus(ConnectionStatus::Connected, Host);
    } catch (...) {
        DropSocket();
        throw;
    }
}

void TcpClient::RaiseBeforeTls(const ClientError& failure) {
    switch (failure.Cause().cause) {
    case FailureCause::Refused:
    case FailureCause::Bye:
    case FailureCause::NoLogin:
    case FailureCause::Other:
        throw StartTlsError(StartTlsFailure::Refused);
    default:
        throw;
    }
}

// Bytes already read past the go-ahead came unprotected, yet would be read as if they came
// through TLS: an attacker's injected answer. They end the session; so do any still on the
// socket, which the handshake finds to be no TLS record.
void TcpClient::StartTls() {
    CheckAborted();
    try {
        if (PendingInput.Size() != 0)
            throw StartTlsError(StartTlsFailure::DataBeforeTls);
        auto* tls = dynamic_cast<TlsIoHandler*>(IOHandler());
        if (!tls || !UseStartTls || secure_)
            throw TlsError("STARTTLS was not asked for");
        tls->Secure(Host);
        secure_ = true;
    } catch (...) {
        DropSocket();
        throw;
    }
}

} // namespace kestrel
