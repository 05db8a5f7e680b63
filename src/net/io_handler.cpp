#include "net/io_handler.h"

#include "net/connect_worker.h"
#include "net/deadline.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"

#include <algorithm>
#include <chrono>

namespace kestrel {

SocketIoHandler::~SocketIoHandler() {
    SocketIoHandler::CloseBinding();
}

SocksInfo& SocketIoHandler::SocksInfo() {
    if (!socksInfo_)
        socksInfo_ = std::make_unique<kestrel::SocksInfo>();
    return *socksInfo_;
}

void SocketIoHandler::CloseBinding() {
    Signal->Forget();
    if (Binding)
        Binding->ReleaseSocket();
}

void SocketIoHandler::PrepareBinding() {
    if (!Binding)
        Binding = std::make_unique<SocketHandle>();
    else
        Binding->Reset();
}

void SocketIoHandler::ConnectTo(const std::string& host, int port, const std::string& boundIP,
                                int boundPort, int boundPortLow, int boundPortHigh, int timeoutMs) {
    Signal->Check();
    std::string targetHost = host;
    int targetPort = port;
    if (SocksInfo().Version != SocksVersion::None) {
        targetHost = SocksInfo().Host;
        targetPort = SocksInfo().Port;
    }
    Binding->OpenSocket();
    Signal->Watch(Binding->Handle);
    Binding->IP = boundIP;
    Binding->Port = boundPort;
    Binding->ClientPortMin = boundPortLow;
    Binding->ClientPortMax = boundPortHigh;
    Binding->BindLocal();
    if (!UseNagle)
        Stack().CheckSocketResult(sockets::SetNoDelay(Binding->Handle, 1));
    if (!IsDottedQuad(targetHost))
        ReportStatus(ConnectionStatus::Resolving, targetHost);
    WaitForConnect(targetHost, targetPort, timeoutMs);
}

// Status reports and exceptions stay on the caller's thread; the worker only leaves its results.
// -1 and 0 wait without limit and raise the library's failure as it is, like a blocking connect;
// -2 waits without limit too, but a failed connect raises ConnectError like a bounded one.
void SocketIoHandler::WaitForConnect(const std::string& host, int port, int limitMs) {
    const bool blocking = limitMs == -1 || limitMs == 0;
    const bool bounded = !blocking && limitMs != -2;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(std::max(limitMs, 0));
    const auto worker = ConnectWorker::Start(Binding->Handle, host, port);
    Signal->OnRaise([worker] { worker->Wake(); });
    struct Unhook {
        AbortSignal& signal;
        ~Unhook() { signal.OnRaise(nullptr); }
    } unhook{*Signal};

    using Step = ConnectWorker::Step;
    Step seen = Step::Resolving;
    while (seen != Step::Done) {
        Step reached = worker->WaitPast(seen, bounded ? &deadline : nullptr, *Signal);
        if (reached == seen || Signal->Raised()) {
            // From here on Abort must not reach the socket: it may become the worker's to close.
            Signal->Forget();
            if (worker->Abandon()) {
                Binding->Reset();
                Signal->Check();
                throw ConnectTimeout();
            }
            Signal->Watch(Binding->Handle); // done meanwhile: the socket is still ours
            reached = Step::Done;
        }
        if (seen == Step::Resolving && !worker->LookupFailed) {
            Binding->RemoteAddress = worker->Address;
            Binding->RemotePort = port;
            ReportStatus(ConnectionStatus::Connecting, Binding->RemoteAddress);
        }
        seen = reached;
    }

    if (worker->Failure) {
        if (worker->LookupFailed || blocking)
            std::rethrow_exception(worker->Failure);
        try {
            std::rethrow_exception(worker->Failure);
        } catch (const ClientError& failure) {
            const Failure& why = failure.Cause();
            throw ConnectError(why.cause == FailureCause::Socket ? why.code : 0, failure.what());
        } catch (const std::exception& failure) {
            throw ConnectError(0, failure.what());
        }
    }
    if (worker->LookupFailed || (worker->ConnectFailed && blocking)) {
        Stack().LastSocketError = worker->ErrorCode;
        Stack().RaiseSocketFailure(worker->ErrorCode);
    }
    if (worker->ConnectFailed)
        throw ConnectError(worker->ErrorCode, SocketStack::SocketErrorText(worker->ErrorCode));
    Binding->RefreshEnds();
}

// Waits in short steps: under Wine, Abort's shutdown does not make the socket readable (only
// the peer's answer to its FIN does, and a peer that reads nothing never gives one).
bool SocketIoHandler::WaitReadable(int limitMs) {
    if (AlsoWake && AlsoWake->Handle() != sockets::InvalidSocket)
        return WaitReadableOrWoken(limitMs);
    constexpr int StepMs = 50;
    const bool unlimited = limitMs < 0;
    const Clock::time_point deadline =
        Clock::now() + std::chrono::milliseconds(std::max(limitMs, 0));
    for (;;) {
        Signal->Check();
        if (!Binding || !Binding->HasHandle)
            throw ClosedGracefully();
        const int left = unlimited ? StepMs : std::min(MsUntil(deadline), StepMs);
        std::vector<RawSocket> read{Binding->Handle};
        const bool ready = Stack().Select(&read, nullptr, nullptr, left) == 1;
        Signal->Check(); // natively, Abort's shutdown makes the socket readable at once
        if (ready)
            return true;
        if (!unlimited && MsUntil(deadline) == 0)
            return false;
    }
}

// One select over the connection and the wake socket: false when woken or at the limit.
bool SocketIoHandler::WaitReadableOrWoken(int limitMs) {
    Signal->Check();
    if (!Binding || !Binding->HasHandle)
        throw ClosedGracefully();
    std::vector<RawSocket> read{Binding->Handle, AlsoWake->Handle()};
    const int ready = Stack().Select(&read, nullptr, nullptr, limitMs < 0 ? -2 : limitMs);
    Signal->Check();
    return ready > 0 && std::ranges::find(read, Binding->Handle) != read.end();
}

int SocketIoHandler::ReceiveSome(char* buffer, int length) {
    Signal->Check();
    if (!HasOpenSocket())
        throw SocketClosed();
    const int n = sockets::Recv(Binding->Handle, buffer, length);
    Signal->Check(); // not a peer that closed, nor a failure of its own
    return n;
}

// Waits while the buffer is full, in short steps: the library's own blocking send would not
// notice an abort everywhere.
int SocketIoHandler::SendSome(const char* bytes, int length) {
    for (;;) {
        Signal->Check();
        if (!HasOpenSocket())
            throw SocketClosed();
        const int n = sockets::SendNow(Binding->Handle, bytes, length);
        if (n != sockets::SocketFailure || sockets::LastError() != sockets::WouldBlock) {
            Signal->Check();
            return n;
        }
        std::vector<RawSocket> write{Binding->Handle};
        Stack().Select(nullptr, &write, nullptr, 50);
    }
}

} // namespace kestrel
