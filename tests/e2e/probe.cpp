#include "e2e/probe.h"

#include <filesystem>
#include <stdexcept>

namespace kestrel::probe {

std::string KestrelPath;
std::string MailHandlerPath;

std::string NewDirectory() {
    char base[MAX_PATH];
    GetTempPathA(MAX_PATH, base);
    char name[MAX_PATH];
    GetTempFileNameA(base, "kst", 0, name); // creates a file of that name: make it a directory
    DeleteFileA(name);
    CreateDirectoryA(name, nullptr);
    return name;
}

namespace {

struct Search {
    const char* className;
    const char* title;
    DWORD processId;
    bool mustBeVisible;
    HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId)
        return TRUE;
    char className[64] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, search->className) != 0)
        return TRUE;
    if (search->mustBeVisible && !IsWindowVisible(window))
        return TRUE;
    if (search->title && WindowText(window) != search->title)
        return TRUE;
    search->found = window;
    return FALSE;
}

HWND Find(Search search, std::chrono::milliseconds limit) {
    Eventually(
        [&] {
            EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        limit);
    return search.found;
}

} // namespace

Process::Process(const std::string& arguments, const std::string& directory) {
    directory_ = directory.empty() ? NewDirectory() : directory;
    ownsDirectory_ = directory.empty();
    std::string commandLine = "\"" + KestrelPath + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory_.c_str(), &startup, &info_))
        throw std::runtime_error("cannot start " + commandLine);
    // Until the program waits in its message loop, its window may exist half made.
    WaitForInputIdle(info_.hProcess, 15000);
}

Process::~Process() {
    if (Running()) {
        TerminateProcess(info_.hProcess, 99);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hThread);
    CloseHandle(info_.hProcess);
    if (ownsDirectory_) {
        std::error_code ignored;
        std::filesystem::remove_all(directory_, ignored);
    }
}

std::optional<DWORD> Process::WaitForExit(std::chrono::milliseconds limit) {
    if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

bool Process::Running() {
    return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

HWND WaitForWindow(const char* className, const char* title, DWORD processId,
                   std::chrono::milliseconds limit) {
    return Find({className, title, processId, false, nullptr}, limit);
}

HWND WaitForVisibleWindow(const char* className, DWORD processId, std::chrono::milliseconds limit) {
    return Find({className, nullptr, processId, true, nullptr}, limit);
}

std::vector<ChildWindow> Children(HWND parent) {
    std::vector<ChildWindow> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ChildWindow c{child, {}, GetDlgCtrlID(child), {}, 0, 0};
        char className[64] = {};
        GetClassNameA(child, className, sizeof className);
        c.className = className;
        GetWindowRect(child, &c.rect);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&c.rect), 2);
        c.style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
        c.extendedStyle = static_cast<DWORD>(GetWindowLongA(child, GWL_EXSTYLE));
        children.push_back(c);
    }
    return children;
}

RECT WindowRect(HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    return r;
}

namespace {
std::string ToUtf8(const wchar_t* text, int length) {
    if (length <= 0)
        return {};
    std::string out(static_cast<size_t>(length) * 3, '\0');
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, length, out.data(),
                                      static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<size_t>(n > 0 ? n : 0));
    return out;
}
} // namespace

std::string WindowText(HWND window) {
    wchar_t text[1024] = {};
    DWORD_PTR length = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &length);
    return ToUtf8(text, static_cast<int>(length));
}

std::vector<std::string> ListTexts(HWND list) {
    std::vector<std::string> texts;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[512] = {};
        const auto length =
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        texts.push_back(ToUtf8(text, static_cast<int>(length)));
    }
    return texts;
}

bool Answers(HWND window, std::chrono::milliseconds limit) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG,
                               static_cast<UINT>(limit.count()), &ignored) != 0;
}

} // namespace kestrel::probe
