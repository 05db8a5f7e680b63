#pragma once

// The socket library, bound by name at run time: WS2_32.DLL on Windows, the C library on Linux.
// Every call has WinSock's meaning on both: -1 (or InvalidSocket) on failure, LastError() the
// WinSock code of the failure; the Linux binding maps errno to those codes.

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::sockets {

using Socket = uintptr_t;
inline constexpr Socket InvalidSocket = ~Socket{0};
inline constexpr int SocketFailure = -1;
inline constexpr int StreamType = 1;

struct Address4 {
    std::array<uint8_t, 4> bytes{};
    uint16_t port = 0; // host byte order
};

// Loads the library (once) and calls its start-up entry with version 2.2: 0, or the start-up
// call's own error code. A library that cannot be loaded raises MissingSocketFunction.
int Startup();
// At process end: the cleanup entry, then the library is released and every entry unbound.
void Cleanup();

Socket NewSocket(int type, int protocol);
int Bind(Socket socket, const Address4& local);
// A bound stream socket starts taking connections.
int Listen(Socket socket, int backlog);
// Takes one waiting connection: a socket of its own, or InvalidSocket (LastError tells why).
// Waits when none is waiting: call it after Select found the listening socket readable.
Socket Accept(Socket socket);
// Blocks until the connect ends. The stop flag, looked at every 50 ms, ends it with Interrupted;
// a socket closed meanwhile by another thread ends it with BadFile or NotASocket
// (net/socket_errors.h). The socket stays non-blocking from here on, so that Recv and SendNow
// are one call each (under Wine every change of the mode is a round trip to the Wine server).
int Connect(Socket socket, const Address4& peer, const std::atomic<bool>* stop = nullptr);
// Never waits: fails with WouldBlock when nothing has come.
int Recv(Socket socket, char* buffer, int length);
// Never waits: sends what the socket's buffer takes now, and fails with WouldBlock when it takes
// nothing. (Under Wine a blocked send does not wake when another thread shuts the socket down.)
int SendNow(Socket socket, const char* bytes, int length);
int Shutdown(Socket socket, int how);
int CloseSocket(Socket socket);
int SetNoDelay(Socket socket, int value);
int LocalEnd(Socket socket, Address4& end);
int PeerEnd(Socket socket, Address4& end);
// Sets of at most 64 sockets; limitMs -2 waits without limit. Leaves the ready sockets in
// the lists and returns their number, 0 at the limit, -1 on failure.
int Select(std::vector<Socket>* read, std::vector<Socket>* write, std::vector<Socket>* error,
           int limitMs);
// The first IPv4 address of the host, or nothing (LastError tells why: HostNotFound for no such
// host).
std::optional<std::array<uint8_t, 4>> HostByName(const std::string& host);
int LastError();
void SetLastError(int code);

// The system's own text for an error code.
std::string OsErrorText(int code);

// Binds one entry to another target of the platform's own signature (tests stand in for the
// name lookup with it); nullptr returns the entry to its stub.
void BindEntry(const char* name, void* target);

} // namespace kestrel::sockets
