#pragma once

#include "net/socket_library.h"

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

using RawSocket = sockets::Socket;

// One end of a connection as the socket reports it.
struct SocketEnd {
    int family = 2;
    std::string ip;
    int port = 0;
};

// The socket stack: the calls the connection classes make, with their failures turned into
// exceptions. One object, SharedStack, lives while any transport object does.
class SocketStack {
  public:
    // Starts the socket library once per process; a start result of -1 raises
    // StackStartFailed.
    SocketStack();
    virtual ~SocketStack() = default;

    int LastSocketError = 0;

    // False for any result but -1; true for an ignored code; raises SocketError otherwise.
    bool CheckSocketResult(int result, std::initializer_list<int> ignored = {});
    [[noreturn]] void RaiseSocketFailure(int code);
    static std::string SocketErrorText(int code);

    RawSocket NewSocket(int type, int protocol);
    std::string ResolveHostAddress(const std::string& host);
    // The same without the stack: nothing on failure, and sockets::LastError() tells why. Safe on
    // any thread.
    static std::optional<std::string> LookUpHostAddress(const std::string& host);
    // At most 64 sockets a set; more raise SocketSetFull.
    int Select(std::vector<RawSocket>* read, std::vector<RawSocket>* write,
               std::vector<RawSocket>* error, int limitMs);
    SocketEnd GetSocketName(RawSocket socket);
    SocketEnd GetPeerName(RawSocket socket);
};

bool IsDottedQuad(const std::string& text);
// Raises ConvertError for a part that is no number.
std::array<uint8_t, 4> ParseDottedQuad(const std::string& text);
std::string FormatDottedQuad(const std::array<uint8_t, 4>& bytes);

// Set once the library started without -1; never cleared while the process runs.
bool StackStarted();

} // namespace kestrel
