#include "win32/win32_https_client.h"

#include "win32/win32_text.h"

#include <windows.h>

#include <winhttp.h>

#include <memory>

namespace kestrel {

namespace {

struct CloseHandle {
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Handle = std::unique_ptr<void, CloseHandle>;

// WinHTTP's own texts live in winhttp.dll, the rest in the system's table.
std::string Failure(const char* step) {
    const DWORD error = GetLastError();
    wchar_t text[512] = {};
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        GetModuleHandleW(L"winhttp.dll"), error, 0, text, 512, nullptr);
    std::string words = Utf8(std::wstring_view(text, length));
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' '))
        words.pop_back();
    return std::string(step) + ": " + (words.empty() ? "error " + std::to_string(error) : words);
}

HttpsReply Failed(const char* step) {
    return {false, 0, "", Failure(step)};
}

// The answer's status and body, once the request is sent.
HttpsReply Read(HINTERNET request) {
    if (!WinHttpReceiveResponse(request, nullptr))
        return Failed("WinHttpReceiveResponse");
    DWORD status = 0, size = sizeof status;
    if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX))
        return Failed("WinHttpQueryHeaders");
    HttpsReply reply{true, static_cast<int>(status), "", ""};
    for (;;) {
        char bytes[4096];
        DWORD got = 0;
        if (!WinHttpReadData(request, bytes, sizeof bytes, &got))
            return Failed("WinHttpReadData");
        if (got == 0)
            return reply;
        reply.body.append(bytes, got);
    }
}

} // namespace

// WinHTTP bounds each step (resolve, connect, send, receive) by the limit, not the whole.
HttpsReply Win32HttpsClient::PostForm(const std::string& url, const std::string& form,
                                      int limitMs) {
    const std::wstring wide = Wide(url);
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wide.c_str(), 0, 0, &parts) || parts.nScheme != INTERNET_SCHEME_HTTPS)
        return {false, 0, "", "not an https address: " + url};
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    const std::wstring path = std::wstring(parts.lpszUrlPath, parts.dwUrlPathLength) +
                              std::wstring(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    const Handle session(WinHttpOpen(L"kestrel", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session)
        return Failed("WinHttpOpen");
    WinHttpSetTimeouts(session.get(), limitMs, limitMs, limitMs, limitMs);
    const Handle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection)
        return Failed("WinHttpConnect");
    const Handle request(WinHttpOpenRequest(connection.get(), L"POST", path.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                            WINHTTP_FLAG_SECURE));
    if (!request)
        return Failed("WinHttpOpenRequest");
    DWORD noRedirects = WINHTTP_DISABLE_REDIRECTS; // a 3xx comes back as it is
    WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &noRedirects,
                     sizeof noRedirects);
    const wchar_t* type = L"Content-Type: application/x-www-form-urlencoded\r\n";
    if (!WinHttpSendRequest(request.get(), type, static_cast<DWORD>(-1),
                            const_cast<char*>(form.data()), static_cast<DWORD>(form.size()),
                            static_cast<DWORD>(form.size()), 0))
        return Failed("WinHttpSendRequest");
    return Read(request.get());
}

} // namespace kestrel
