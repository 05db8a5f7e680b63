#pragma once

#include "net/socket_stack.h"

#include <string>

namespace kestrel {

// One socket with its local and remote ends.
class SocketHandle {
  public:
    ~SocketHandle() { ReleaseSocket(); }

    RawSocket Handle = sockets::InvalidSocket;
    bool HasHandle = false;
    std::string IP;
    int Port = 0;
    int ClientPortMin = 0;
    int ClientPortMax = 0;
    std::string RemoteAddress;
    int RemotePort = 0;

    // Forgets the socket and both ends without closing it.
    void Reset();
    void OpenSocket();
    // Binds to IP:Port, or to a port of the client range when Port is 0 and a range is given.
    void BindLocal();
    // Both ends, from the socket once it is connected.
    void RefreshEnds();
    // Shuts the sending side and closes the socket; neither result is tested.
    void ReleaseSocket();

  private:
    bool TryBind(); // false when the port is in use
    void RefreshLocalEnd();
};

} // namespace kestrel
