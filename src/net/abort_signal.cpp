#include "net/abort_signal.h"

#include "net/exceptions.h"

namespace kestrel {

void AbortSignal::Raise() noexcept {
    raised_.store(true);
    std::lock_guard hold(lock_);
    if (watched_ != sockets::InvalidSocket) {
        try { // both directions: a waiting select sees the socket readable and writable
            sockets::Shutdown(watched_, 2);
        } catch (const ClientError&) { // the library is gone: nothing left to wake
        }
    }
    if (wake_)
        wake_();
}

void AbortSignal::Check() const {
    if (Raised())
        throw Aborted();
}

void AbortSignal::Watch(sockets::Socket socket) {
    {
        std::lock_guard hold(lock_);
        watched_ = socket;
    }
    Check();
}

void AbortSignal::Forget() {
    std::lock_guard hold(lock_);
    watched_ = sockets::InvalidSocket;
}

void AbortSignal::OnRaise(std::function<void()> wake) {
    std::lock_guard hold(lock_);
    wake_ = std::move(wake);
}

} // namespace kestrel
