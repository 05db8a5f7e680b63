// The socket library on Linux: the C library, opened with dlopen and bound by dlsym. errno and
// h_errno become WinSock codes, so that texts, ignored codes and exceptions are the same as on
// Windows.
#include "net/socket_entries.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <utility>

namespace kestrel::sockets {

namespace {

std::atomic<void*> library{nullptr};
thread_local int lastError = 0;
// glibc's gethostbyname answers from one static buffer, and a lookup abandoned by a connect
// that ran out of time may still be running when the next one starts. Whoever waits here is a
// connect worker, whose caller waits with a bound of its own.
std::mutex lookupLock;

EntryRow socketRow{"socket"}, bindRow{"bind"}, connectRow{"connect"}, recvRow{"recv"},
    sendRow{"send"}, shutdownRow{"shutdown"}, closeRow{"close"}, setsockoptRow{"setsockopt"},
    getsockoptRow{"getsockopt"}, getsocknameRow{"getsockname"}, getpeernameRow{"getpeername"},
    pollRow{"poll"}, fcntlRow{"fcntl"}, gethostbynameRow{"gethostbyname"}, listenRow{"listen"},
    acceptRow{"accept"};

EntryRow* const Rows[] = {&socketRow,     &bindRow,         &connectRow,     &recvRow,
                          &sendRow,       &shutdownRow,     &closeRow,       &setsockoptRow,
                          &getsockoptRow, &getsocknameRow,  &getpeernameRow, &pollRow,
                          &fcntlRow,      &gethostbynameRow, &listenRow,     &acceptRow};

constexpr std::pair<int, int> ErrnoCodes[] = {
    {EINTR, Interrupted},
    {EBADF, BadFile},
    {EACCES, AccessDenied},
    {EFAULT, BadAddress},
    {EINVAL, InvalidArgument},
    {EMFILE, TooManyOpenFiles},
    {EWOULDBLOCK, WouldBlock},
    {EINPROGRESS, InProgress},
    {EALREADY, AlreadyInProgress},
    {ENOTSOCK, NotASocket},
    {EDESTADDRREQ, DestinationRequired},
    {EMSGSIZE, MessageTooLong},
    {EPROTOTYPE, WrongProtocolType},
    {ENOPROTOOPT, BadProtocolOption},
    {EPROTONOSUPPORT, ProtocolUnsupported},
    {ESOCKTNOSUPPORT, SocketTypeUnsupported},
    {EOPNOTSUPP, OperationUnsupported},
    {EPFNOSUPPORT, ProtocolFamilyUnsupported},
    {EAFNOSUPPORT, AddressFamilyUnsupported},
    {EADDRINUSE, AddressInUse},
    {EADDRNOTAVAIL, AddressUnavailable},
    {ENETDOWN, NetworkDown},
    {ENETUNREACH, NetworkUnreachable},
    {ENETRESET, NetworkReset},
    {ECONNABORTED, ConnectionAborted},
    {ECONNRESET, ConnectionReset},
    {ENOBUFS, NoBufferSpace},
    {EISCONN, AlreadyConnected},
    {ENOTCONN, NotConnected},
    {ESHUTDOWN, SocketShutDown},
    {EPIPE, SocketShutDown},
    {ETOOMANYREFS, TooManyReferences},
    {ETIMEDOUT, TimedOut},
    {ECONNREFUSED, ConnectionRefused},
    {ELOOP, TooManyLinks},
    {ENAMETOOLONG, NameTooLong},
    {EHOSTDOWN, HostDown},
    {EHOSTUNREACH, HostUnreachable},
    {ENOTEMPTY, NotEmpty},
};

int FromErrno(int error) {
    for (const auto& [from, code] : ErrnoCodes) {
        if (from == error)
            return code;
    }
    return error;
}

// Every failing call leaves its WinSock code behind, as WSAGetLastError would.
int Failed() {
    lastError = FromErrno(errno);
    return SocketFailure;
}

int Fd(Socket s) {
    return static_cast<int>(s);
}

sockaddr_in ToSockaddr(const Address4& a) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = htons(a.port);
    std::memcpy(&s.sin_addr, a.bytes.data(), 4);
    return s;
}

int NameOf(EntryRow& row, Socket s, Address4& end) {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (Bound<int (*)(int, sockaddr*, socklen_t*)>(row)(
            Fd(s), reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return Failed();
    std::memcpy(end.bytes.data(), &address.sin_addr, 4);
    end.port = ntohs(address.sin_port);
    return 0;
}

void Add(std::vector<pollfd>& polls, const std::vector<Socket>* list, short events) {
    for (size_t i = 0; list && i < list->size(); ++i)
        polls.push_back({Fd((*list)[i]), events, 0});
}

void KeepReady(const std::vector<pollfd>& polls, size_t& at, std::vector<Socket>* list,
               short ready) {
    if (!list)
        return;
    std::vector<Socket> kept;
    for (size_t i = 0; i < list->size(); ++i, ++at) {
        if (polls[at].revents & ready)
            kept.push_back((*list)[i]);
    }
    *list = std::move(kept);
}

} // namespace

void* LibraryHandle() {
    return library.load();
}

void* LookUp(void* handle, const char* name) {
    return dlsym(handle, name);
}

int Startup() {
    if (library.load())
        return 0;
    void* loaded = dlopen("libc.so.6", RTLD_NOW);
    if (!loaded)
        throw MissingSocketFunction("Fehler beim Laden einer Winsock2-Bibliothek (libc.so.6)", 126,
                                    dlerror());
    library.store(loaded);
    return 0;
}

void Cleanup() {
    if (void* released = library.exchange(nullptr))
        dlclose(released);
    for (EntryRow* row : Rows)
        row->target.store(nullptr);
}

Socket NewSocket(int type, int protocol) {
    const int fd = Bound<int (*)(int, int, int)>(socketRow)(AF_INET, type, protocol);
    if (fd < 0) {
        Failed();
        return InvalidSocket;
    }
    return static_cast<Socket>(fd);
}

int Bind(Socket s, const Address4& local) {
    const sockaddr_in address = ToSockaddr(local);
    if (Bound<int (*)(int, const sockaddr*, socklen_t)>(bindRow)(
            Fd(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return Failed();
    return 0;
}

int Listen(Socket s, int backlog) {
    return Bound<int (*)(int, int)>(listenRow)(Fd(s), backlog) != 0 ? Failed() : 0;
}

Socket Accept(Socket s) {
    const int fd = Bound<int (*)(int, sockaddr*, socklen_t*)>(acceptRow)(Fd(s), nullptr, nullptr);
    if (fd < 0) {
        Failed();
        return InvalidSocket;
    }
    return static_cast<Socket>(fd);
}

// A blocking connect that another thread can end by closing the socket or by the stop flag: the
// connect runs non-blocking and is watched in short polls, each of which sees a closed socket
// at once. The socket stays non-blocking, as on Windows.
int Connect(Socket s, const Address4& peer, const std::atomic<bool>* stop) {
    auto fcntl = Bound<int (*)(int, int, ...)>(fcntlRow);
    const int flags = fcntl(Fd(s), F_GETFL);
    if (flags < 0 || fcntl(Fd(s), F_SETFL, flags | O_NONBLOCK) < 0)
        return Failed();
    const sockaddr_in address = ToSockaddr(peer);
    if (Bound<int (*)(int, const sockaddr*, socklen_t)>(connectRow)(
            Fd(s), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        if (errno != EINPROGRESS)
            return Failed();
        auto poll = Bound<int (*)(pollfd*, nfds_t, int)>(pollRow);
        for (;;) {
            pollfd watched{Fd(s), POLLOUT, 0};
            const int ready = poll(&watched, 1, 50);
            if (ready < 0)
                return Failed();
            if (watched.revents & POLLNVAL) {
                lastError = NotASocket; // closed under us
                return SocketFailure;
            }
            if (ready > 0)
                break;
            if (stop && stop->load()) {
                lastError = Interrupted;
                return SocketFailure;
            }
        }
        int error = 0;
        socklen_t length = sizeof error;
        Bound<int (*)(int, int, int, void*, socklen_t*)>(getsockoptRow)(Fd(s), SOL_SOCKET, SO_ERROR,
                                                                        &error, &length);
        if (error != 0) {
            errno = error;
            return Failed();
        }
    }
    return 0;
}

int Recv(Socket s, char* buffer, int length) {
    const auto n = Bound<ssize_t (*)(int, void*, size_t, int)>(recvRow)(
        Fd(s), buffer, static_cast<size_t>(length), 0);
    return n < 0 ? Failed() : static_cast<int>(n);
}

int SendNow(Socket s, const char* bytes, int length) {
    // MSG_NOSIGNAL: a closed peer is a failure to report, not a signal that ends the process.
    const auto n = Bound<ssize_t (*)(int, const void*, size_t, int)>(sendRow)(
        Fd(s), bytes, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    return n < 0 ? Failed() : static_cast<int>(n);
}

int Shutdown(Socket s, int how) {
    return Bound<int (*)(int, int)>(shutdownRow)(Fd(s), how) != 0 ? Failed() : 0;
}

int CloseSocket(Socket s) {
    return Bound<int (*)(int)>(closeRow)(Fd(s)) != 0 ? Failed() : 0;
}

int SetNoDelay(Socket s, int value) {
    return Bound<int (*)(int, int, int, const void*, socklen_t)>(setsockoptRow)(
               Fd(s), IPPROTO_TCP, TCP_NODELAY, &value, sizeof value) != 0
               ? Failed()
               : 0;
}

int LocalEnd(Socket s, Address4& end) {
    return NameOf(getsocknameRow, s, end);
}
int PeerEnd(Socket s, Address4& end) {
    return NameOf(getpeernameRow, s, end);
}

int Select(std::vector<Socket>* read, std::vector<Socket>* write, std::vector<Socket>* error,
           int limitMs) {
    std::vector<pollfd> polls;
    Add(polls, read, POLLIN);
    Add(polls, write, POLLOUT);
    Add(polls, error, POLLPRI);
    const int result = Bound<int (*)(pollfd*, nfds_t, int)>(pollRow)(polls.data(), polls.size(),
                                                                     limitMs == -2 ? -1 : limitMs);
    if (result < 0)
        return Failed();
    for (const pollfd& p : polls) {
        if (p.revents & POLLNVAL) {
            lastError = NotASocket;
            return SocketFailure;
        }
    }
    size_t at = 0;
    // A closed or failed peer counts as readable, as select reports it on Windows.
    KeepReady(polls, at, read, POLLIN | POLLHUP | POLLERR);
    KeepReady(polls, at, write, POLLOUT | POLLERR);
    KeepReady(polls, at, error, POLLPRI);
    return static_cast<int>((read ? read->size() : 0) + (write ? write->size() : 0) +
                            (error ? error->size() : 0));
}

std::optional<std::array<uint8_t, 4>> HostByName(const std::string& host) {
    std::lock_guard hold(lookupLock);
    h_errno = 0;
    const hostent* entry = Bound<hostent* (*)(const char*)>(gethostbynameRow)(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0]) {
        if (!entry && h_errno != 0) // a stand-in that set the code itself leaves h_errno 0
            lastError = h_errno == HOST_NOT_FOUND ? HostNotFound
                        : h_errno == TRY_AGAIN    ? TryAgain
                        : h_errno == NO_RECOVERY  ? NoRecovery
                                                  : NoData;
        return std::nullopt;
    }
    std::array<uint8_t, 4> bytes;
    std::memcpy(bytes.data(), entry->h_addr_list[0], 4);
    return bytes;
}

int LastError() {
    return lastError;
}
void SetLastError(int code) {
    lastError = code;
}

std::string OsErrorText(int code) {
    if (code == NotInitialised)
        return "Either the application has not called WSAStartup, or WSAStartup failed.";
    for (const auto& [error, winsock] : ErrnoCodes) {
        if (winsock == code)
            return std::strerror(error);
    }
    return std::strerror(code);
}

void BindEntry(const char* name, void* target) {
    for (EntryRow* row : Rows) {
        if (std::strcmp(row->name, name) == 0)
            row->target.store(target);
    }
}

} // namespace kestrel::sockets
