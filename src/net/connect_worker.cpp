#include "net/connect_worker.h"

#include "net/component.h"

#include <exception>

namespace kestrel {

namespace {
constexpr int BadFile = 10009, NotASocket = 10038;
} // namespace

void ConnectWorker::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void ConnectWorker::Execute() {
    try {
        // A socket closed under a blocked connect ends it with one of these two codes.
        SharedStack->CheckSocketResult(TargetSocket.ConnectPeer(), {BadFile, NotASocket});
    } catch (const std::exception& failure) {
        ErrorText = failure.what();
    }
    Stop();
}

} // namespace kestrel
