#include "win32/win32_services.h"

#include "win32/win32_text.h"

#include <cwchar>

namespace kestrel {

bool Win32Services::AnotherInstanceRuns(const std::string& title) {
    return FindWindowW(nullptr, Wide(title).c_str()) != nullptr;
}

void Win32Services::LoadResources() {
    Win32Pictures& pictures = handles_.pictures;
    pictures.about = LoadBitmapA(handles_.instance, "ABOUT");
    pictures.mainIcon = LoadIconA(handles_.instance, "HAUPTICON");
    pictures.arrow = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    // The tray pictures exist in 16 x 16 only; load them at that size rather than scaled up.
    pictures.noIcon =
        static_cast<HICON>(LoadImageA(handles_.instance, "NO", IMAGE_ICON, 16, 16, 0));
    pictures.mailIcon =
        static_cast<HICON>(LoadImageA(handles_.instance, "MAIL", IMAGE_ICON, 16, 16, 0));
}

void Win32Services::StartTimer(int id, int periodMs) {
    SetTimer(handles_.window, static_cast<UINT_PTR>(id), static_cast<UINT>(periodMs), nullptr);
}

// Read-only; a value that is not text gives an empty command.
std::string Win32Services::ReadMailtoCommand() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"mailto\\shell\\open\\command", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return {};
    std::wstring command;
    DWORD type = 0, size = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        command.resize(size / sizeof(wchar_t) + 1);
        if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(command.data()),
                             &size) != ERROR_SUCCESS)
            command.clear();
        command.resize(std::wcslen(command.c_str()));
    }
    RegCloseKey(key);
    return Utf8(command);
}

void Win32Services::StartProgram(const std::string& file, const std::string& parameters) {
    ShellExecuteW(handles_.window, L"open", Wide(file).c_str(), Wide(parameters).c_str(), L"",
                  SW_SHOWNORMAL);
}

void Win32Services::OpenUrl(const std::string& url) {
    ShellExecuteW(handles_.window, L"open", Wide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void Win32Services::Post(std::function<void()> task) {
    Win32Tasks& tasks = handles_.tasks;
    {
        std::lock_guard lock(tasks.mutex);
        tasks.waiting.push_back(std::move(task));
    }
    if (const HWND window = tasks.window.load())
        PostMessageW(window, TasksWaitingMessage, 0, 0);
}

CivilDate Win32Services::Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

int64_t Win32Services::MonotonicMs() {
    return static_cast<int64_t>(GetTickCount64());
}

// 100-ns steps since 1601; only differences matter.
int64_t Win32Services::WallMs() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    return static_cast<int64_t>((uint64_t{now.dwHighDateTime} << 32 | now.dwLowDateTime) / 10000);
}

} // namespace kestrel
