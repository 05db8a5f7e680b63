// Reads and follows the installer's shortcuts for tests/packaging/windows_installer_test.sh:
//   shortcut_probe show LINK    prints the target, the working folder and the arguments
//   shortcut_probe start LINK   starts the target in the working folder, as the shell does, waits
//                               for kestrel's window and prints the process id
//   shortcut_probe close PID    closes that kestrel's window; fails unless it ends with code 0
//   shortcut_probe wait PID     waits until the process has ended (an uninstaller closes it)
// LINK may be a Unix path. Output is UTF-8.
#include "e2e/probe.h"

#include <fcntl.h>
#include <io.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using namespace std::chrono_literals;

std::wstring Wide(const char* text) {
    std::wstring out(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), static_cast<int>(out.size()));
    out.resize(out.size() - 1);
    if (!out.empty() && out[0] == L'/') { // a Unix path: drive Z: is the root
        for (auto& c : out)
            if (c == L'/')
                c = L'\\';
        out = L"Z:" + out;
    }
    return out;
}

std::string Utf8(const std::wstring& text) {
    std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr,
                                                            0, nullptr, nullptr)),
                    '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}

struct Link {
    std::wstring target, directory, arguments;
};

bool ReadLink(const std::wstring& file, Link& link) {
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile,
                                                  reinterpret_cast<void**>(&persist))) &&
              SUCCEEDED(persist->Load(file.c_str(), STGM_READ));
    wchar_t text[MAX_PATH * 2] = {};
    // Raw: exactly what the shortcut holds, not a target found again elsewhere.
    ok = ok && SUCCEEDED(shellLink->GetPath(text, MAX_PATH * 2, nullptr, SLGP_RAWPATH));
    link.target = text;
    text[0] = 0;
    ok = ok && SUCCEEDED(shellLink->GetWorkingDirectory(text, MAX_PATH * 2));
    link.directory = text;
    text[0] = 0;
    ok = ok && SUCCEEDED(shellLink->GetArguments(text, MAX_PATH * 2));
    link.arguments = text;
    if (persist)
        persist->Release();
    shellLink->Release();
    return ok;
}

int Show(const Link& link) {
    printf("%s\n%s\n%s\n", Utf8(link.target).c_str(), Utf8(link.directory).c_str(),
           Utf8(link.arguments).c_str());
    return 0;
}

int Start(const Link& link) {
    std::wstring commandLine = L"\"" + link.target + L"\"";
    if (!link.arguments.empty())
        commandLine += L" " + link.arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(link.target.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, link.directory.empty() ? nullptr : link.directory.c_str(),
                        &startup, &info)) {
        fprintf(stderr, "cannot start %s (error %lu)\n", Utf8(commandLine).c_str(),
                GetLastError());
        return 1;
    }
    WaitForInputIdle(info.hProcess, 15000);
    HWND window = kestrel::probe::WaitForWindow("wndclass", "kestrel", info.dwProcessId, 20s);
    const bool answers = window && kestrel::probe::Answers(window);
    if (!answers) {
        fprintf(stderr, "kestrel's window %s\n", window ? "does not answer" : "never came");
        TerminateProcess(info.hProcess, 99);
    } else {
        printf("%lu\n", info.dwProcessId);
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return answers ? 0 : 1;
}

int Close(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!process) {
        fprintf(stderr, "no process %lu\n", id);
        return 1;
    }
    HWND window = kestrel::probe::WaitForWindow("wndclass", "kestrel", id, 5s);
    int result = 1;
    if (!window) {
        fprintf(stderr, "process %lu has no kestrel window\n", id);
    } else {
        PostMessageW(window, WM_CLOSE, 0, 0);
        DWORD code = 0;
        if (WaitForSingleObject(process, 15000) != WAIT_OBJECT_0)
            fprintf(stderr, "kestrel still runs 15 s after WM_CLOSE\n");
        else if (GetExitCodeProcess(process, &code) && code != 0)
            fprintf(stderr, "kestrel ended with code %lu\n", code);
        else
            result = 0;
    }
    CloseHandle(process);
    return result;
}

int Wait(DWORD id) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    if (!process)
        return 0; // already gone
    const bool ended = WaitForSingleObject(process, 20000) == WAIT_OBJECT_0;
    CloseHandle(process);
    if (!ended)
        fprintf(stderr, "process %lu still runs\n", id);
    return ended ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY); // LF alone: the shell reads it
    if (argc != 3) {
        fprintf(stderr, "usage: %s show|start LINK | close|wait PID\n", argv[0]);
        return 2;
    }
    const std::string command = argv[1];
    if (command == "close" || command == "wait") {
        const DWORD id = static_cast<DWORD>(strtoul(argv[2], nullptr, 10));
        return command == "close" ? Close(id) : Wait(id);
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Link link;
    if (!ReadLink(Wide(argv[2]), link)) {
        fprintf(stderr, "cannot read the shortcut %s\n", argv[2]);
        return 1;
    }
    if (command == "show")
        return Show(link);
    if (command == "start")
        return Start(link);
    fprintf(stderr, "unknown command %s\n", command.c_str());
    return 2;
}
