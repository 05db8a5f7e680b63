#pragma once

// Loopback peers for the transport and protocol tests, written on the platform's own sockets
// (not on the code under test): a scripted server on 127.0.0.1 and a listener that never accepts.

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrel::testing {

using NativeSocket = intptr_t;

// The server's side of one accepted connection.
class Peer {
  public:
    explicit Peer(NativeSocket socket) : socket_(socket) {}
    // False once the client has gone: a script that sends without end stops there.
    bool Send(const std::string& bytes);
    void Pause(int ms);
    // Reads until the byte sequence has arrived (or the client closed); returns what was read.
    std::string ReceiveUntil(const std::string& end);
    // The bytes the client sent that were not read yet.
    size_t Waiting();
    // Reads until the client closes.
    std::string ReceiveAll();
    void Close();
    std::string received; // every byte the client sent, in order

  private:
    NativeSocket socket_;
    bool closed_ = false;
};

// Accepts one connection on 127.0.0.1 and runs the script on it in a thread of its own.
class LoopbackServer {
  public:
    using Script = std::function<void(Peer&)>;
    // Runs the script once for each of the connections, one after the other.
    explicit LoopbackServer(Script script, int connections = 1);
    ~LoopbackServer();
    uint16_t port() const { return port_; }
    // What the client sent; waits for the script to end.
    std::string Received();

  private:
    NativeSocket listener_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::string received_;
};

// A port on 127.0.0.1 where nothing listens.
uint16_t ClosedPort();

// A listener whose accept queue is full, so that a further connect never completes.
class FullListener {
  public:
    FullListener();
    ~FullListener();
    uint16_t port() const { return port_; }

  private:
    NativeSocket listener_;
    std::vector<NativeSocket> fillers_;
    uint16_t port_ = 0;
};

// Holds a port bound (not listening), so that binding it again fails as in use.
class HeldPort {
  public:
    HeldPort();
    ~HeldPort();
    uint16_t port() const { return port_; }

  private:
    NativeSocket socket_;
    uint16_t port_ = 0;
};

} // namespace kestrel::testing
