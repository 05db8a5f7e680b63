#pragma once

#include "net/socket_handle.h"

#include <atomic>
#include <string>
#include <thread>

namespace kestrel {

// The short-lived worker that connects one socket while the GUI thread waits in steps.
class ConnectWorker {
  public:
    explicit ConnectWorker(SocketHandle& target) : TargetSocket(target) {}
    // Freeing waits for the thread to end.
    ~ConnectWorker() {
        if (thread_.joinable())
            thread_.join();
    }

    SocketHandle& TargetSocket;
    std::string ErrorText; // read only after Stopped() or after the thread ended

    void Start();
    bool Stopped() const { return stopped_.load(std::memory_order_acquire); }
    void Stop() { stopped_.store(true, std::memory_order_release); }
    void WaitForEnd() {
        if (thread_.joinable())
            thread_.join();
    }

  private:
    void Execute();
    std::atomic<bool> stopped_{false};
    std::thread thread_;
};

} // namespace kestrel
