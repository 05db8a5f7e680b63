#include "win32/win32_token_command.h"

#include <windows.h>

#include <algorithm>
#include <chrono>

namespace kestrel {

namespace {

using Clock = std::chrono::steady_clock;

DWORD MsUntil(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<DWORD>(left.count()) : 0;
}

std::wstring Wide(const std::string& text) {
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
    return wide;
}

TokenAnswer Failed(std::string detail) {
    return {TokenAnswer::Kind::Failed, {}, std::move(detail)};
}

// Reads what the pipe holds until its writer is gone or the deadline: whether it went. A read
// is only made of what is there, so that none blocks past the deadline.
bool ReadAll(HANDLE pipe, Clock::time_point deadline, std::string& out) {
    char buffer[4096];
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            return true; // the writer closed its end
        if (available == 0) {
            if (Clock::now() >= deadline)
                return false;
            Sleep(10);
            continue;
        }
        DWORD n = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr))
            return true;
        if (out.size() < TokenOutputLimit)
            out.append(buffer, n);
    }
}

TokenAnswer Judge(DWORD code, const std::string& out) {
    if (code != 0)
        return Failed("exit code " + std::to_string(code));
    return TokenOfOutput(out);
}

struct Handle {
    HANDLE h = nullptr;
    ~Handle() {
        if (h && h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};

} // namespace

// The command runs in a job of its own, so that a bound that runs out ends whatever it started
// too; its output comes through a pipe, its input and error output are NUL.
TokenAnswer RunTokenCommand(const std::string& command, int limitMs) {
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    Handle read, write, none, job;
    if (!CreatePipe(&read.h, &write.h, &inherited, 0))
        return Failed("no pipe (error " + std::to_string(GetLastError()) + ")");
    SetHandleInformation(read.h, HANDLE_FLAG_INHERIT, 0);
    none.h = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         &inherited, OPEN_EXISTING, 0, nullptr);
    job.h = CreateJobObjectW(nullptr, nullptr);

    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = none.h;
    start.hStdOutput = write.h;
    start.hStdError = none.h;
    std::wstring line = Wide(command);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                        CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr, nullptr, &start, &info))
        return Failed("the command did not start (error " + std::to_string(GetLastError()) + ")");
    Handle process{info.hProcess}, thread{info.hThread};
    if (job.h)
        AssignProcessToJobObject(job.h, process.h);
    ResumeThread(thread.h);
    CloseHandle(write.h); // the child's copy alone keeps the pipe open
    write.h = nullptr;

    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    std::string output;
    const bool ended = ReadAll(read.h, deadline, output);
    DWORD code = 0;
    if (ended && WaitForSingleObject(process.h, MsUntil(deadline)) == WAIT_OBJECT_0 &&
        GetExitCodeProcess(process.h, &code))
        return Judge(code, output);
    if (job.h)
        TerminateJobObject(job.h, 1);
    TerminateProcess(process.h, 1);
    return {TokenAnswer::Kind::TimedOut, {}, {}};
}

} // namespace kestrel
