#include "net/wake_socket.h"

#include <chrono>
#include <exception>

namespace kestrel {

namespace {

constexpr int DatagramType = 2;

// A datagram socket bound to an unused loopback port and connected to itself: every send lands
// in its own receive queue. Non-blocking from its connect on.
RawSocket SelfAddressedSocket() {
    const RawSocket s = sockets::NewSocket(DatagramType, 0);
    if (s == sockets::InvalidSocket)
        return s;
    sockets::Address4 self{{127, 0, 0, 1}, 0};
    if (sockets::Bind(s, self) != 0 || sockets::LocalEnd(s, self) != 0 ||
        sockets::Connect(s, self) != 0) {
        sockets::CloseSocket(s);
        return sockets::InvalidSocket;
    }
    return s;
}

} // namespace

WakeSocket::WakeSocket() {
    try {
        stack_ = std::make_unique<Component>();
        socket_ = SelfAddressedSocket();
    } catch (const std::exception&) { // no socket library: the condition variable serves
    }
}

WakeSocket::~WakeSocket() {
    if (socket_ != sockets::InvalidSocket)
        sockets::CloseSocket(socket_);
}

void WakeSocket::Wake() noexcept {
    {
        std::lock_guard lock(mutex_);
        pending_ = true;
    }
    woken_.notify_all();
    if (socket_ != sockets::InvalidSocket) {
        const char byte = 1;
        sockets::SendNow(socket_, &byte, 1); // a full queue holds a wake-up already
    }
}

bool WakeSocket::Drain() {
    if (socket_ != sockets::InvalidSocket) {
        char bytes[64];
        while (sockets::Recv(socket_, bytes, sizeof bytes) > 0) {
        }
    }
    std::lock_guard lock(mutex_);
    const bool was = pending_;
    pending_ = false;
    return was;
}

void WakeSocket::Wait(int limitMs) {
    if (socket_ != sockets::InvalidSocket) {
        std::vector<RawSocket> read{socket_};
        if (!Drain())
            sockets::Select(&read, nullptr, nullptr, limitMs);
    } else {
        std::unique_lock lock(mutex_);
        const auto woken = [this] { return pending_; };
        if (limitMs == -2)
            woken_.wait(lock, woken);
        else
            woken_.wait_for(lock, std::chrono::milliseconds(limitMs), woken);
    }
    Drain();
}

} // namespace kestrel
