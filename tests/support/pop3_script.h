#pragma once

// For scripted POP3 servers of the oldest kind, which answer one command at a time and know
// neither CAPA nor UIDL: the client then counts messages and sends nothing ahead.

#include "support/loopback_server.h"

#include <string>

namespace kestrel::testing {

// The next command, without its line end; empty once the client has gone. A CAPA or UIDL on the
// way is refused with -ERR, as such a server does.
inline std::string OldServerCommand(Peer& p) {
    for (;;) {
        std::string line = p.ReceiveUntil("\r\n");
        if (line.size() < 2)
            return {};
        line.resize(line.size() - 2);
        if (line != "CAPA" && line != "UIDL")
            return line;
        p.Send("-ERR unknown command\r\n");
    }
}

} // namespace kestrel::testing
