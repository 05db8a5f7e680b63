#include "net/socket_stack.h"

#include "net/connect_worker.h"
#include "net/exceptions.h"
#include "net/socket_errors.h"
#include "text/conversion.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace kestrel {

namespace {

std::atomic<bool> started{false};

// Cut at the first three dots; the fourth part keeps any further dots.
std::array<std::string, 4> QuadParts(const std::string& text) {
    std::array<std::string, 4> parts;
    size_t from = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t dot = text.find('.', from);
        if (dot == std::string::npos) {
            parts[static_cast<size_t>(i)] = text.substr(std::min(from, text.size()));
            return parts;
        }
        parts[static_cast<size_t>(i)] = text.substr(from, dot - from);
        from = dot + 1;
    }
    parts[3] = text.substr(from);
    return parts;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// A lookup abandoned by a connect may still be inside the library.
void CleanUpAtExit() {
    if (started.load() && ConnectWorkersRunning() == 0)
        sockets::Cleanup();
}

SocketEnd EndOf(const sockets::Address4& a) {
    return {2, FormatDottedQuad(a.bytes), a.port};
}

} // namespace

bool StackStarted() {
    return started.load();
}

SocketStack::SocketStack() {
    if (started.load())
        return;
    if (sockets::Startup() == -1)
        throw StackStartFailed();
    if (!started.exchange(true))
        std::atexit(CleanUpAtExit);
}

bool SocketStack::CheckSocketResult(int result, std::initializer_list<int> ignored) {
    if (result != -1)
        return false;
    LastSocketError = sockets::LastError();
    if (std::find(ignored.begin(), ignored.end(), LastSocketError) != ignored.end())
        return true;
    RaiseSocketFailure(LastSocketError);
}

void SocketStack::RaiseSocketFailure(int code) {
    throw SocketError(code, SocketErrorText(code));
}

std::string SocketStack::SocketErrorText(int code) {
    const char* base = "";
    for (const sockets::ErrorText& row : sockets::ErrorTexts) {
        if (row.code == code)
            base = row.text;
    }
    return "Socket-Fehler # " + std::to_string(code) + "\r\n" + base;
}

RawSocket SocketStack::NewSocket(int type, int protocol) {
    const RawSocket s = sockets::NewSocket(type, protocol);
    if (s == sockets::InvalidSocket)
        throw InvalidSocket();
    return s;
}

std::string SocketStack::ResolveHostAddress(const std::string& host) {
    const auto address = LookUpHostAddress(host);
    if (!address)
        CheckSocketResult(-1);
    return *address;
}

std::optional<std::string> SocketStack::LookUpHostAddress(const std::string& host) {
    if (EqualsIgnoringCase(host, "localhost"))
        return "127.0.0.1";
    if (IsDottedQuad(host))
        return host;
    const auto address = sockets::HostByName(host);
    if (!address)
        return std::nullopt;
    return FormatDottedQuad(*address);
}

int SocketStack::Select(std::vector<RawSocket>* read, std::vector<RawSocket>* write,
                        std::vector<RawSocket>* error, int limitMs) {
    for (const auto* set : {read, write, error}) {
        if (set && set->size() > 64)
            throw SocketSetFull();
    }
    return sockets::Select(read, write, error, limitMs);
}

SocketEnd SocketStack::GetSocketName(RawSocket socket) {
    sockets::Address4 end;
    CheckSocketResult(sockets::LocalEnd(socket, end));
    return EndOf(end);
}

SocketEnd SocketStack::GetPeerName(RawSocket socket) {
    sockets::Address4 end;
    CheckSocketResult(sockets::PeerEnd(socket, end));
    return EndOf(end);
}

bool IsDottedQuad(const std::string& text) {
    for (const std::string& part : QuadParts(text)) {
        const auto value = TryStrToInt(part);
        if (!value || *value < 0 || *value > 255)
            return false;
    }
    return true;
}

std::array<uint8_t, 4> ParseDottedQuad(const std::string& text) {
    std::array<uint8_t, 4> bytes{};
    const auto parts = QuadParts(text);
    for (size_t i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(StrToInt(parts[i]));
    return bytes;
}

std::string FormatDottedQuad(const std::array<uint8_t, 4>& bytes) {
    return std::to_string(bytes[0]) + "." + std::to_string(bytes[1]) + "." +
           std::to_string(bytes[2]) + "." + std::to_string(bytes[3]);
}

} // namespace kestrel
