#pragma once

#include "net/socket_library.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace kestrel {

// How Abort() reaches the thread that uses a connection: a flag that every network call checks,
// the socket to shut down so that a blocked select, recv, send or connect wakes, and the wake-up
// of a connect wait. Shared by the connection and its I/O handler.
class AbortSignal {
  public:
    // From any thread; once raised, it stays so.
    void Raise() noexcept;
    bool Raised() const { return raised_.load(); }
    // Raises Aborted once Raise was called.
    void Check() const;

    // The owner's socket, for Raise to shut down (never to close: the owner does that). The
    // owner forgets it before closing it, so that Raise never reaches a handle number the system
    // may already have given to another socket. Watch checks the flag afterwards: a Raise that
    // came before it found no socket, but it does not go unseen.
    void Watch(sockets::Socket socket);
    void Forget();
    // Called by Raise, under the signal's lock; an empty function when nothing waits.
    void OnRaise(std::function<void()> wake);

  private:
    std::atomic<bool> raised_{false};
    std::mutex lock_;
    sockets::Socket watched_ = sockets::InvalidSocket;
    std::function<void()> wake_;
};

} // namespace kestrel
