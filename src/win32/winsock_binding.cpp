// The socket library on Windows: WS2_32.DLL, loaded by LoadLibraryA and bound by GetProcAddress.
#include "net/socket_entries.h"

#include <winsock2.h>

#include <windows.h>

#include <algorithm>

namespace kestrel::sockets {

namespace {

std::atomic<HMODULE> library{nullptr};

EntryRow WSACleanupRow{"WSACleanup"}, bindRow{"bind"}, closesocketRow{"closesocket"},
    connectRow{"connect"}, ioctlsocketRow{"ioctlsocket"}, getpeernameRow{"getpeername"},
    getsocknameRow{"getsockname"}, getsockoptRow{"getsockopt"}, recvRow{"recv"},
    selectRow{"select"}, sendRow{"send"}, setsockoptRow{"setsockopt"}, shutdownRow{"shutdown"},
    socketRow{"socket"}, gethostbynameRow{"gethostbyname"}, WSASetLastErrorRow{"WSASetLastError"},
    WSAGetLastErrorRow{"WSAGetLastError"}, listenRow{"listen"}, acceptRow{"accept"};

EntryRow* const Rows[] = {&WSACleanupRow,      &bindRow,           &closesocketRow,
                          &connectRow,         &ioctlsocketRow,    &getpeernameRow,
                          &getsocknameRow,     &getsockoptRow,     &recvRow,
                          &selectRow,          &sendRow,           &setsockoptRow,
                          &shutdownRow,        &socketRow,         &gethostbynameRow,
                          &WSASetLastErrorRow, &WSAGetLastErrorRow, &listenRow,
                          &acceptRow};

sockaddr_in ToSockaddr(const Address4& a) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = static_cast<u_short>((a.port >> 8) | (a.port << 8));
    std::memcpy(&s.sin_addr, a.bytes.data(), 4);
    return s;
}

Address4 FromSockaddr(const sockaddr_in& s) {
    Address4 a;
    std::memcpy(a.bytes.data(), &s.sin_addr, 4);
    a.port = static_cast<uint16_t>((s.sin_port >> 8) | ((s.sin_port & 0xFF) << 8));
    return a;
}

int NameOf(EntryRow& row, Socket s, Address4& end) {
    sockaddr_in address{};
    int length = sizeof address;
    const int result = Bound<int(WSAAPI*)(SOCKET, sockaddr*, int*)>(row)(
        static_cast<SOCKET>(s), reinterpret_cast<sockaddr*>(&address), &length);
    if (result == 0)
        end = FromSockaddr(address);
    return result;
}

void Fill(fd_set& set, const std::vector<Socket>* list) {
    set.fd_count = 0;
    for (size_t i = 0; list && i < list->size(); ++i)
        set.fd_array[set.fd_count++] = static_cast<SOCKET>((*list)[i]);
}

void KeepReady(const fd_set& set, std::vector<Socket>* list) {
    if (!list)
        return;
    list->clear();
    for (u_int i = 0; i < set.fd_count; ++i)
        list->push_back(set.fd_array[i]);
}

} // namespace

void* LibraryHandle() {
    return library.load();
}

void* LookUp(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}

int Startup() {
    if (library.load())
        return 0;
    HMODULE loaded = LoadLibraryA("WS2_32.DLL");
    if (!loaded) {
        const DWORD error = GetLastError();
        throw MissingSocketFunction("Fehler beim Laden einer Winsock2-Bibliothek (WS2_32.DLL)",
                                    static_cast<int>(error), OsErrorText(static_cast<int>(error)));
    }
    library.store(loaded);
    auto start = reinterpret_cast<int(WSAAPI*)(WORD, WSADATA*)>(
        reinterpret_cast<void*>(GetProcAddress(loaded, "WSAStartup")));
    WSADATA data{};
    return start(0x0202, &data);
}

void Cleanup() {
    if (library.load())
        Bound<int(WSAAPI*)()>(WSACleanupRow)();
    if (HMODULE released = library.exchange(nullptr))
        FreeLibrary(released);
    for (EntryRow* row : Rows)
        row->target.store(nullptr);
}

Socket NewSocket(int type, int protocol) {
    const SOCKET s = Bound<SOCKET(WSAAPI*)(int, int, int)>(socketRow)(AF_INET, type, protocol);
    return s == INVALID_SOCKET ? InvalidSocket : static_cast<Socket>(s);
}

int Bind(Socket s, const Address4& local) {
    const sockaddr_in address = ToSockaddr(local);
    return Bound<int(WSAAPI*)(SOCKET, const sockaddr*, int)>(bindRow)(
        static_cast<SOCKET>(s), reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

int Listen(Socket s, int backlog) {
    return Bound<int(WSAAPI*)(SOCKET, int)>(listenRow)(static_cast<SOCKET>(s), backlog);
}

Socket Accept(Socket s) {
    const SOCKET taken =
        Bound<SOCKET(WSAAPI*)(SOCKET, sockaddr*, int*)>(acceptRow)(static_cast<SOCKET>(s), nullptr, nullptr);
    return taken == INVALID_SOCKET ? InvalidSocket : static_cast<Socket>(taken);
}

// A blocking connect that another thread can end by closing the socket or by the stop flag: the
// connect runs non-blocking and is watched in short selects, each of which sees a closed socket
// at once. WinSock's gethostbyname keeps its answer per thread: lookups need no lock here.
int Connect(Socket s, const Address4& peer, const std::atomic<bool>* stop) {
    u_long on = 1;
    if (Bound<int(WSAAPI*)(SOCKET, long, u_long*)>(ioctlsocketRow)(static_cast<SOCKET>(s), FIONBIO,
                                                                  &on) != 0)
        return SocketFailure;
    const sockaddr_in address = ToSockaddr(peer);
    int result = Bound<int(WSAAPI*)(SOCKET, const sockaddr*, int)>(connectRow)(
        static_cast<SOCKET>(s), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    if (result != 0 && LastError() == WouldBlock) {
        auto select =
            Bound<int(WSAAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*)>(selectRow);
        for (;;) {
            fd_set writable{}, failed{};
            writable.fd_count = failed.fd_count = 1;
            writable.fd_array[0] = failed.fd_array[0] = static_cast<SOCKET>(s);
            const timeval step{0, 50000};
            const int ready = select(0, nullptr, &writable, &failed, &step);
            if (ready < 0)
                return SocketFailure;
            if (ready == 0 && stop && stop->load()) {
                SetLastError(Interrupted);
                return SocketFailure;
            }
            if (ready == 0)
                continue;
            if (failed.fd_count > 0) {
                int error = 0, length = sizeof error;
                Bound<int(WSAAPI*)(SOCKET, int, int, char*, int*)>(getsockoptRow)(
                    static_cast<SOCKET>(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                    &length);
                SetLastError(error);
                return SocketFailure;
            }
            result = 0;
            break;
        }
    }
    return result != 0 ? SocketFailure : 0;
}

int Recv(Socket s, char* buffer, int length) {
    return Bound<int(WSAAPI*)(SOCKET, char*, int, int)>(recvRow)(static_cast<SOCKET>(s), buffer,
                                                                 length, 0);
}

// The socket is non-blocking since its connect.
int SendNow(Socket s, const char* bytes, int length) {
    return Bound<int(WSAAPI*)(SOCKET, const char*, int, int)>(sendRow)(static_cast<SOCKET>(s),
                                                                       bytes, length, 0);
}

int Shutdown(Socket s, int how) {
    return Bound<int(WSAAPI*)(SOCKET, int)>(shutdownRow)(static_cast<SOCKET>(s), how);
}

int CloseSocket(Socket s) {
    return Bound<int(WSAAPI*)(SOCKET)>(closesocketRow)(static_cast<SOCKET>(s));
}

int SetNoDelay(Socket s, int value) {
    return Bound<int(WSAAPI*)(SOCKET, int, int, const char*, int)>(setsockoptRow)(
        static_cast<SOCKET>(s), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&value),
        sizeof value);
}

int LocalEnd(Socket s, Address4& end) {
    return NameOf(getsocknameRow, s, end);
}
int PeerEnd(Socket s, Address4& end) {
    return NameOf(getpeernameRow, s, end);
}

int Select(std::vector<Socket>* read, std::vector<Socket>* write, std::vector<Socket>* error,
           int limitMs) {
    fd_set sets[3];
    Fill(sets[0], read);
    Fill(sets[1], write);
    Fill(sets[2], error);
    const timeval limit{limitMs / 1000, (limitMs % 1000) * 1000};
    const int result = Bound<int(WSAAPI*)(int, fd_set*, fd_set*, fd_set*, const timeval*)>(
        selectRow)(0, &sets[0], &sets[1], &sets[2], limitMs == -2 ? nullptr : &limit);
    if (result >= 0) {
        KeepReady(sets[0], read);
        KeepReady(sets[1], write);
        KeepReady(sets[2], error);
    }
    return result;
}

std::optional<std::array<uint8_t, 4>> HostByName(const std::string& host) {
    const hostent* entry = Bound<hostent*(WSAAPI*)(const char*)>(gethostbynameRow)(host.c_str());
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0])
        return std::nullopt;
    std::array<uint8_t, 4> bytes;
    std::memcpy(bytes.data(), entry->h_addr_list[0], 4);
    return bytes;
}

int LastError() {
    return Bound<int(WSAAPI*)()>(WSAGetLastErrorRow)();
}
void SetLastError(int code) {
    Bound<void(WSAAPI*)(int)>(WSASetLastErrorRow)(code);
}

std::string OsErrorText(int code) {
    char text[512] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                       static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string result(text, length);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r'))
        result.pop_back();
    return result;
}

void BindEntry(const char* name, void* target) {
    for (EntryRow* row : Rows) {
        if (std::strcmp(row->name, name) == 0)
            row->target.store(target);
    }
}

} // namespace kestrel::sockets
