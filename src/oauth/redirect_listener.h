#pragma once

#include "net/component.h"

#include <atomic>
#include <memory>
#include <string>

namespace kestrel {

enum class RedirectEnd { Code, Denied, TimedOut, Cancelled, Failed };

// What came back to the listener: the code, the provider's refusal (error and its
// description), or why nothing came.
struct Redirect {
    RedirectEnd end = RedirectEnd::Failed;
    std::string code;
    std::string detail;
};

// The one-time redirect target of a sign-in (RFC 8252 7.3): a listening socket on 127.0.0.1 at
// a port the system picks. Only "GET /?..." carrying the awaited state ends the wait; any other
// request gets a short refusal and the wait goes on, so a stray page or a forged redirect never
// yields a code. Each browser connection is answered and closed.
class RedirectListener {
  public:
    RedirectListener();
    ~RedirectListener();
    RedirectListener(const RedirectListener&) = delete;
    RedirectListener& operator=(const RedirectListener&) = delete;

    // Empty when listening, else the socket layer's words.
    const std::string& Failure() const { return failure_; }
    std::string RedirectUri() const;
    // Blocks until the redirect with this state, limitMs, or cancel (looked at five times a
    // second).
    Redirect Wait(const std::string& state, int limitMs, const std::atomic<bool>& cancel);

  private:
    // One browser connection: its request read within a bound, answered, closed. Nothing when
    // the request was not the awaited redirect.
    std::unique_ptr<Redirect> Serve(sockets::Socket connection, const std::string& state);

    std::unique_ptr<Component> stack_; // keeps the socket library loaded
    sockets::Socket socket_ = sockets::InvalidSocket;
    int port_ = 0;
    std::string failure_;
};

} // namespace kestrel
