#include "net/io_handler.h"

#include "net/connect_worker.h"
#include "net/exceptions.h"

#include <chrono>

namespace kestrel {

namespace {
constexpr int StepMs = 125;
} // namespace

SocksInfo& SocketIoHandler::SocksInfo() {
    if (!socksInfo_)
        socksInfo_ = std::make_unique<kestrel::SocksInfo>();
    return *socksInfo_;
}

void SocketIoHandler::CloseBinding() {
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
    std::string targetHost = host;
    int targetPort = port;
    if (SocksInfo().Version != SocksVersion::None) {
        targetHost = SocksInfo().Host;
        targetPort = SocksInfo().Port;
    }
    Binding->OpenSocket();
    Binding->IP = boundIP;
    Binding->Port = boundPort;
    Binding->ClientPortMin = boundPortLow;
    Binding->ClientPortMax = boundPortHigh;
    Binding->BindLocal();
    if (!IsDottedQuad(targetHost))
        ReportStatus(ConnectionStatus::Resolving, targetHost);
    Binding->RemoteAddress = Stack().ResolveHostAddress(targetHost);
    Binding->RemotePort = targetPort;
    if (!UseNagle)
        Stack().CheckSocketResult(sockets::SetNoDelay(Binding->Handle, 1));
    ReportStatus(ConnectionStatus::Connecting, Binding->RemoteAddress);
    if (timeoutMs != -1 && timeoutMs != 0)
        WaitForConnect(timeoutMs);
    else
        Stack().CheckSocketResult(Binding->ConnectPeer());
}

void SocketIoHandler::WaitForConnect(int limitMs) {
    ConnectWorker worker(*Binding);
    worker.Start();
    const bool unlimited = limitMs == -2;
    int remaining = unlimited ? StepMs + 1 : limitMs;
    while (remaining > StepMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(StepMs));
        remaining = unlimited ? StepMs + 1 : remaining - StepMs;
        if (worker.Stopped()) {
            remaining = 0;
            break;
        }
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(remaining));
    if (!worker.Stopped()) {
        worker.Stop();
        CloseBinding(); // the blocked connect fails with a code the worker ignores
        worker.WaitForEnd();
        throw ConnectTimeout();
    }
    worker.WaitForEnd();
    if (!worker.ErrorText.empty())
        throw ConnectError(worker.ErrorText);
}

bool SocketIoHandler::WaitReadable(int limitMs) {
    if (!Binding || !Binding->HasHandle)
        throw ClosedGracefully();
    std::vector<RawSocket> read{Binding->Handle};
    return Stack().Select(&read, nullptr, nullptr, limitMs) == 1;
}

int SocketIoHandler::ReceiveSome(char* buffer, int length) {
    if (!HasOpenSocket())
        throw SocketClosed();
    return sockets::Recv(Binding->Handle, buffer, length);
}

int SocketIoHandler::SendSome(const char* bytes, int length) {
    if (!HasOpenSocket())
        throw SocketClosed();
    return sockets::Send(Binding->Handle, bytes, length);
}

} // namespace kestrel
