#pragma once

#include "net/abort_signal.h"
#include "net/deadline.h"
#include "net/socket_library.h"

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>

namespace kestrel {

// One connect, the name lookup and then the connect itself, on a thread of its own while the
// caller waits with a bound. A lookup cannot be interrupted, so a caller that stops waiting
// abandons the thread instead of joining it: the thread touches nothing but this record, which
// it shares, and the socket, which becomes its own to close once its call returns.
class ConnectWorker {
  public:
    enum class Step { Resolving, Resolved, Done };

    // The socket stays the caller's unless it abandons the worker.
    static std::shared_ptr<ConnectWorker> Start(sockets::Socket socket, const std::string& host,
                                                int port);

    // Waits until the worker has gone past the step seen, the deadline (if any) has passed or
    // the signal was raised; returns the step reached.
    Step WaitPast(Step seen, const Clock::time_point* deadline, const AbortSignal& signal);
    void Wake();
    // True when the thread is still busy: the socket is now its own. False when it was done
    // already, and the socket and the outcome remain the caller's.
    bool Abandon();

    // Set by the step named, read by the caller once WaitPast has returned it.
    std::string Address;           // Resolved
    bool LookupFailed = false;     // Done
    bool ConnectFailed = false;    // Done
    int ErrorCode = 0;             // Done: the library's code of either failure
    std::exception_ptr Failure;    // Done: anything else that went wrong

  private:
    ConnectWorker(sockets::Socket socket, const std::string& host, int port)
        : socket_(socket), host_(host), port_(port) {}
    void Run();
    void Reach(Step step); // under the lock

    const sockets::Socket socket_;
    const std::string host_;
    const int port_;
    std::mutex lock_;
    std::condition_variable changed_;
    Step step_ = Step::Resolving;
    bool abandoned_ = false;
    std::atomic<bool> stop_{false}; // ends the connect's wait, checked between short polls
};

// The worker threads still running, abandoned ones among them; the library stays loaded at
// process end while any does.
int ConnectWorkersRunning();

} // namespace kestrel
