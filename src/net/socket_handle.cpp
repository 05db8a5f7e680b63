#include "net/socket_handle.h"

#include "net/component.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"

namespace kestrel {

void SocketHandle::Reset() {
    Handle = sockets::InvalidSocket;
    HasHandle = false;
    IP.clear();
    Port = 0;
    RemoteAddress.clear();
    RemotePort = 0;
}

void SocketHandle::OpenSocket() {
    ReleaseSocket();
    Handle = SharedStack->NewSocket(sockets::StreamType, 0);
    HasHandle = true;
}

void SocketHandle::BindLocal() {
    if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
        if (!TryBind())
            throw BindFailed();
        return;
    }
    if (ClientPortMax < ClientPortMin)
        throw InvalidPortRange(ClientPortMin, ClientPortMax);
    for (int port = ClientPortMax; port >= ClientPortMin; --port) {
        Port = port;
        if (TryBind())
            return;
    }
    throw NoPortInRange(ClientPortMin, ClientPortMax);
}

bool SocketHandle::TryBind() {
    sockets::Address4 local;
    if (!IP.empty())
        local.bytes = ParseDottedQuad(IP);
    local.port = static_cast<uint16_t>(Port);
    if (SharedStack->CheckSocketResult(sockets::Bind(Handle, local), {sockets::AddressInUse}))
        return false;
    RefreshLocalEnd();
    return true;
}

void SocketHandle::RefreshLocalEnd() {
    const SocketEnd local = SharedStack->GetSocketName(Handle);
    IP = local.ip;
    Port = local.port;
}

void SocketHandle::RefreshEnds() {
    RefreshLocalEnd();
    const SocketEnd remote = SharedStack->GetPeerName(Handle);
    RemoteAddress = remote.ip;
    RemotePort = remote.port;
}

void SocketHandle::ReleaseSocket() {
    if (!HasHandle)
        return;
    HasHandle = false;
    sockets::Shutdown(Handle, 1);
    sockets::CloseSocket(Handle);
}

} // namespace kestrel
