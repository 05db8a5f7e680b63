#include "support/loopback_server.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using socklen_t = int;
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <stdexcept>

namespace kestrel::testing {

namespace {

#ifdef _WIN32
constexpr int NoSignal = 0;
struct WinsockUser {
    WinsockUser() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
} winsockUser;
void CloseNative(NativeSocket s) {
    closesocket(static_cast<SOCKET>(s));
}
void SetNonBlocking(NativeSocket s) {
    u_long on = 1;
    ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &on);
}
#else
constexpr int NoSignal = MSG_NOSIGNAL; // a client that went away must not end the test program
void CloseNative(NativeSocket s) {
    close(static_cast<int>(s));
}
void SetNonBlocking(NativeSocket s) {
    fcntl(static_cast<int>(s), F_SETFL, fcntl(static_cast<int>(s), F_GETFL) | O_NONBLOCK);
}
#endif

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    return a;
}

NativeSocket NewNative() {
    return static_cast<NativeSocket>(socket(AF_INET, SOCK_STREAM, 0));
}

uint16_t BoundPort(NativeSocket s) {
    sockaddr_in a{};
    socklen_t length = sizeof a;
    getsockname(static_cast<decltype(socket(0, 0, 0))>(s), reinterpret_cast<sockaddr*>(&a),
                &length);
    return ntohs(a.sin_port);
}

NativeSocket Listen(int backlog, uint16_t& port) {
    const NativeSocket s = NewNative();
    sockaddr_in a = Loopback(0);
    bind(static_cast<decltype(socket(0, 0, 0))>(s), reinterpret_cast<sockaddr*>(&a), sizeof a);
    listen(static_cast<decltype(socket(0, 0, 0))>(s), backlog);
    port = BoundPort(s);
    return s;
}

// Whether a non-blocking connect completes within the time.
bool Completes(NativeSocket s, int ms) {
#ifdef _WIN32
    fd_set w;
    FD_ZERO(&w);
    FD_SET(static_cast<SOCKET>(s), &w);
    timeval t{0, ms * 1000};
    return select(0, nullptr, &w, nullptr, &t) == 1;
#else
    pollfd p{static_cast<int>(s), POLLOUT, 0};
    return poll(&p, 1, ms) == 1;
#endif
}

} // namespace

bool Peer::Send(const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(static_cast<decltype(socket(0, 0, 0))>(socket_), bytes.data() + sent,
                           static_cast<int>(bytes.size() - sent), NoSignal);
        if (n <= 0)
            return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void Peer::Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

size_t Peer::Waiting() {
#ifdef _WIN32
    u_long bytes = 0;
    ioctlsocket(static_cast<SOCKET>(socket_), FIONREAD, &bytes);
#else
    int bytes = 0;
    ioctl(static_cast<int>(socket_), FIONREAD, &bytes);
#endif
    return static_cast<size_t>(bytes);
}

std::string Peer::ReceiveUntil(const std::string& end) {
    std::string got;
    char c;
    while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0) {
        if (recv(static_cast<decltype(socket(0, 0, 0))>(socket_), &c, 1, 0) <= 0)
            break;
        got += c;
    }
    received += got;
    return got;
}

std::string Peer::ReceiveAll() {
    std::string got;
    char buffer[4096];
    int n;
    while ((n = recv(static_cast<decltype(socket(0, 0, 0))>(socket_), buffer, sizeof buffer, 0)) >
           0)
        got.append(buffer, static_cast<size_t>(n));
    received += got;
    return got;
}

void Peer::Close() {
    if (!closed_)
        CloseNative(socket_);
    closed_ = true;
}

LoopbackServer::LoopbackServer(Script script, int connections) {
    listener_ = Listen(4, port_);
    thread_ = std::thread([this, script, connections] {
        for (int i = 0; i < connections; ++i) {
            const auto accepted =
                accept(static_cast<decltype(socket(0, 0, 0))>(listener_), nullptr, nullptr);
            if (static_cast<NativeSocket>(accepted) < 0)
                return; // the listener was closed
            Peer peer(static_cast<NativeSocket>(accepted));
            script(peer);
            peer.Close();
            received_ += peer.received;
        }
    });
}

LoopbackServer::~LoopbackServer() {
    // Ends a pending accept: Linux needs the shutdown, Windows the close.
    shutdown(static_cast<decltype(socket(0, 0, 0))>(listener_), 2);
    CloseNative(listener_);
    if (thread_.joinable())
        thread_.join();
}

std::string LoopbackServer::Received() {
    if (thread_.joinable())
        thread_.join();
    return received_;
}

uint16_t ClosedPort() {
    const NativeSocket s = NewNative();
    sockaddr_in a = Loopback(0);
    bind(static_cast<decltype(socket(0, 0, 0))>(s), reinterpret_cast<sockaddr*>(&a), sizeof a);
    const uint16_t port = BoundPort(s);
    CloseNative(s);
    return port;
}

FullListener::FullListener() {
    listener_ = Listen(0, port_);
    for (int i = 0; i < 64; ++i) {
        const NativeSocket s = NewNative();
        SetNonBlocking(s);
        sockaddr_in a = Loopback(port_);
        connect(static_cast<decltype(socket(0, 0, 0))>(s), reinterpret_cast<sockaddr*>(&a),
                sizeof a);
        fillers_.push_back(s);
        if (!Completes(s, 200))
            return; // this one hangs: the queue is full
    }
    throw std::runtime_error("the accept queue never filled");
}

FullListener::~FullListener() {
    for (NativeSocket s : fillers_)
        CloseNative(s);
    CloseNative(listener_);
}

HeldPort::HeldPort() {
    socket_ = NewNative();
    sockaddr_in a = Loopback(0);
    a.sin_addr.s_addr = htonl(INADDR_ANY); // so that a bind to any address meets it too
    bind(static_cast<decltype(socket(0, 0, 0))>(socket_), reinterpret_cast<sockaddr*>(&a),
         sizeof a);
    port_ = BoundPort(socket_);
}

HeldPort::~HeldPort() {
    CloseNative(socket_);
}

} // namespace kestrel::testing
