#pragma once

// A probe that drives the real kestrel.exe from outside, as another Windows process: it starts
// the program, finds its windows, reads their controls and posts messages to them.

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kestrel::probe {

// The paths of kestrel.exe and of the test's mail handler, from the test program's command line
// (a Unix path becomes Z:\...).
extern std::string KestrelPath;
extern std::string MailHandlerPath;

// A new, empty directory under the temporary folder.
std::string NewDirectory();

struct ChildWindow {
    HWND handle;
    std::string className;
    int id;
    RECT rect; // in the parent's client coordinates
    DWORD style;
    DWORD extendedStyle;
    bool visible() const { return (style & WS_VISIBLE) != 0; }
};

// One started kestrel.exe in a working directory of its own; ended when the object goes.
class Process {
  public:
    explicit Process(const std::string& arguments = "", const std::string& directory = "");
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    DWORD id() const { return info_.dwProcessId; }
    const std::string& directory() const { return directory_; }
    // Who removes the working directory at the end: the last process that used it.
    void KeepDirectory() { ownsDirectory_ = false; }
    void OwnDirectory() { ownsDirectory_ = true; }
    // The exit code, or nothing if the process still runs after the wait.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds limit);
    bool Running();

  private:
    PROCESS_INFORMATION info_{};
    std::string directory_;
    bool ownsDirectory_ = false;
};

// Polls until a top-level window of the class and title that belongs to the process exists.
HWND WaitForWindow(const char* className, const char* title, DWORD processId,
                   std::chrono::milliseconds limit = std::chrono::seconds(15));
HWND WaitForVisibleWindow(const char* className, DWORD processId,
                          std::chrono::milliseconds limit = std::chrono::seconds(5));

std::vector<ChildWindow> Children(HWND parent);
RECT WindowRect(HWND window);
std::string WindowText(HWND window); // through WM_GETTEXT, in UTF-8
std::vector<std::string> ListTexts(HWND list);
// Sends a harmless message and waits for the answer: the GUI thread is free again.
bool Answers(HWND window, std::chrono::milliseconds limit = std::chrono::seconds(5));
// Polls until the predicate holds or the limit runs out; returns its last value.
template <class Predicate>
bool Eventually(Predicate predicate, std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > end)
            return predicate();
        Sleep(25);
    }
    return true;
}

} // namespace kestrel::probe
