#include "oauth/redirect_listener.h"

#include "net/deadline.h"
#include "oauth/url_encoding.h"

#include <exception>
#include <algorithm>
#include <map>
#include <optional>

namespace kestrel {

namespace {

constexpr int RequestLimitMs = 5000; // for one browser connection to send its request
constexpr size_t RequestMaxBytes = 16384;
constexpr int PollMs = 200;

std::string SocketFailure(const char* step) {
    return std::string(step) + ": " + sockets::OsErrorText(sockets::LastError());
}

// The request line and headers, up to the empty line; empty when the browser sent none in time.
std::string ReadRequest(sockets::Socket connection) {
    std::string request;
    const auto deadline = Clock::now() + std::chrono::milliseconds(RequestLimitMs);
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < RequestMaxBytes) {
        std::vector<sockets::Socket> read{connection};
        if (sockets::Select(&read, nullptr, nullptr, MsUntil(deadline)) <= 0)
            return {};
        char bytes[2048];
        const int got = sockets::Recv(connection, bytes, sizeof bytes);
        if (got <= 0)
            return {};
        request.append(bytes, static_cast<size_t>(got));
    }
    return request;
}

void Answer(sockets::Socket connection, const char* status, const std::string& words) {
    const std::string page = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>kestrel</title>"
                             "</head><body><p>" + words + "</p></body></html>";
    const std::string reply = std::string("HTTP/1.1 ") + status +
                              "\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                              std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
    size_t sent = 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(RequestLimitMs);
    while (sent < reply.size()) {
        std::vector<sockets::Socket> write{connection};
        if (sockets::Select(nullptr, &write, nullptr, MsUntil(deadline)) <= 0)
            return;
        const int n = sockets::SendNow(connection, reply.data() + sent,
                                       static_cast<int>(reply.size() - sent));
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

// The query of "GET /?QUERY HTTP/1.x"; nothing for any other request.
std::optional<std::string> RedirectQuery(const std::string& request) {
    const std::string_view prefix = "GET /?";
    const size_t lineEnd = request.find("\r\n");
    if (request.compare(0, prefix.size(), prefix) != 0 || lineEnd == std::string::npos)
        return std::nullopt;
    const size_t space = request.find(' ', prefix.size());
    if (space == std::string::npos || space > lineEnd)
        return std::nullopt;
    return request.substr(prefix.size(), space - prefix.size());
}

} // namespace

RedirectListener::RedirectListener() {
    try {
        stack_ = std::make_unique<Component>();
    } catch (const std::exception& e) {
        failure_ = e.what();
        return;
    }
    socket_ = sockets::NewSocket(sockets::StreamType, 0);
    sockets::Address4 local{{127, 0, 0, 1}, 0};
    if (socket_ == sockets::InvalidSocket)
        failure_ = SocketFailure("socket");
    else if (sockets::Bind(socket_, local) != 0)
        failure_ = SocketFailure("bind");
    else if (sockets::Listen(socket_, 4) != 0)
        failure_ = SocketFailure("listen");
    else if (sockets::LocalEnd(socket_, local) != 0)
        failure_ = SocketFailure("getsockname");
    port_ = local.port;
}

RedirectListener::~RedirectListener() {
    if (socket_ != sockets::InvalidSocket)
        sockets::CloseSocket(socket_);
}

std::string RedirectListener::RedirectUri() const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/";
}

Redirect RedirectListener::Wait(const std::string& state, int limitMs,
                                const std::atomic<bool>& cancel) {
    if (!failure_.empty())
        return {RedirectEnd::Failed, "", failure_};
    const auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!cancel.load()) {
        if (MsUntil(deadline) == 0)
            return {RedirectEnd::TimedOut, "", ""};
        std::vector<sockets::Socket> read{socket_};
        const int ready = sockets::Select(&read, nullptr, nullptr, std::min(PollMs, MsUntil(deadline)));
        if (ready < 0)
            return {RedirectEnd::Failed, "", SocketFailure("select")};
        if (ready == 0)
            continue;
        const sockets::Socket connection = sockets::Accept(socket_);
        if (connection == sockets::InvalidSocket)
            continue; // the browser gave up before we took it
        std::unique_ptr<Redirect> redirect = Serve(connection, state);
        sockets::CloseSocket(connection);
        if (redirect)
            return *redirect;
    }
    return {RedirectEnd::Cancelled, "", ""};
}

std::unique_ptr<Redirect> RedirectListener::Serve(sockets::Socket connection,
                                                  const std::string& state) {
    const std::optional<std::string> query = RedirectQuery(ReadRequest(connection));
    if (!query) {
        Answer(connection, "404 Not Found", "Nothing here.");
        return nullptr;
    }
    std::map<std::string, std::string> fields = ReadQuery(*query);
    if (state.empty() || fields["state"] != state) {
        Answer(connection, "400 Bad Request", "This is not the sign-in kestrel waits for.");
        return nullptr;
    }
    if (!fields["code"].empty()) {
        Answer(connection, "200 OK", "Signed in. You may close this page and return to kestrel.");
        return std::make_unique<Redirect>(Redirect{RedirectEnd::Code, fields["code"], ""});
    }
    Answer(connection, "200 OK", "The sign-in was not granted. You may close this page.");
    std::string detail = fields["error"].empty() ? "no code" : fields["error"];
    if (!fields["error_description"].empty())
        detail += ": " + fields["error_description"];
    return std::make_unique<Redirect>(Redirect{RedirectEnd::Denied, "", detail.substr(0, 300)});
}

} // namespace kestrel
