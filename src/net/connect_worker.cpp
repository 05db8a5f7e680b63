#include "net/connect_worker.h"

#include "net/socket_stack.h"

#include <optional>
#include <thread>

namespace kestrel {

namespace {
std::atomic<int> running{0};
} // namespace

int ConnectWorkersRunning() {
    return running.load();
}

std::shared_ptr<ConnectWorker> ConnectWorker::Start(sockets::Socket socket,
                                                    const std::string& host, int port) {
    std::shared_ptr<ConnectWorker> worker(new ConnectWorker(socket, host, port));
    ++running;
    try {
        std::thread([worker] {
            worker->Run();
            --running;
        }).detach();
    } catch (...) {
        --running;
        throw;
    }
    return worker;
}

ConnectWorker::Step ConnectWorker::WaitPast(Step seen, const Clock::time_point* deadline,
                                            const AbortSignal& signal) {
    std::unique_lock hold(lock_);
    const auto moved = [&] { return step_ != seen || signal.Raised(); };
    if (deadline)
        changed_.wait_until(hold, *deadline, moved);
    else
        changed_.wait(hold, moved);
    return step_;
}

void ConnectWorker::Wake() {
    std::lock_guard hold(lock_);
    changed_.notify_all();
}

bool ConnectWorker::Abandon() {
    std::lock_guard hold(lock_);
    if (step_ == Step::Done)
        return false;
    abandoned_ = true;
    stop_.store(true);
    return true;
}

void ConnectWorker::Reach(Step step) {
    step_ = step;
    changed_.notify_all();
}

// Only SocketStack's static parts and the library itself: the shared stack may be gone by the
// time an abandoned lookup returns.
void ConnectWorker::Run() {
    std::optional<std::string> address;
    int code = 0;
    std::exception_ptr failure;
    try {
        address = SocketStack::LookUpHostAddress(host_);
        if (!address)
            code = sockets::LastError();
    } catch (...) {
        failure = std::current_exception();
    }
    {
        std::lock_guard hold(lock_);
        if (!abandoned_ && !address) {
            LookupFailed = true;
            ErrorCode = code;
            Failure = failure;
            Reach(Step::Done);
            return;
        }
        if (!abandoned_) {
            Address = *address;
            Reach(Step::Resolved);
        }
    }
    if (!stop_.load()) {
        bool failed = false;
        try {
            sockets::Address4 peer;
            peer.bytes = ParseDottedQuad(*address);
            peer.port = static_cast<uint16_t>(port_);
            failed = sockets::Connect(socket_, peer, &stop_) != 0;
            if (failed)
                code = sockets::LastError();
        } catch (...) {
            failed = true;
            failure = std::current_exception();
        }
        std::lock_guard hold(lock_);
        if (!abandoned_) {
            ConnectFailed = failed;
            ErrorCode = code;
            Failure = failure;
            Reach(Step::Done);
            return;
        }
    }
    try { // abandoned: nobody else will close it
        sockets::CloseSocket(socket_);
    } catch (...) {
    }
}

} // namespace kestrel
