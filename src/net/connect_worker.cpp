#include "net/connect_worker.h"

#include "net/component.h"
#include "net/socket_errors.h"

#include <exception>

namespace kestrel {

void ConnectWorker::Start() {
    thread_ = std::thread([this] { Execute(); });
}

void ConnectWorker::Execute() {
    try {
        // A socket closed under a blocked connect ends it with one of these two codes.
        SharedStack->CheckSocketResult(TargetSocket.ConnectPeer(),
                                       {sockets::BadFile, sockets::NotASocket});
    } catch (const std::exception& failure) {
        ErrorText = failure.what();
    }
    Stop();
}

} // namespace kestrel
