#pragma once

#include "net/component.h"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace kestrel {

// What lets a thread that waits on sockets be woken by another thread: a UDP socket on the
// loopback address that sends to itself. Select sees it readable once woken, so one wait covers
// the connections and the wake-up, with nothing polled in between. Without sockets (the library
// failed to start) the wait falls back to a condition variable.
class WakeSocket {
  public:
    WakeSocket();
    ~WakeSocket();
    WakeSocket(const WakeSocket&) = delete;
    WakeSocket& operator=(const WakeSocket&) = delete;

    // From any thread; a wake-up before the wait is not lost.
    void Wake() noexcept;
    // Waits until woken or for limitMs (-2: no limit), whichever comes first, and takes the
    // wake-ups.
    void Wait(int limitMs);
    // Takes the wake-ups that came; true when there were any.
    bool Drain();
    // The socket a select can watch; InvalidSocket when there is none.
    RawSocket Handle() const { return socket_; }

  private:
    std::unique_ptr<Component> stack_; // keeps the socket library started
    RawSocket socket_ = sockets::InvalidSocket;
    std::mutex mutex_;
    std::condition_variable woken_;
    bool pending_ = false;
};

} // namespace kestrel
