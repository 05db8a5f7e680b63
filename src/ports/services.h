#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kestrel {

// A day of the local calendar.
struct CivilDate {
    int32_t year = 0, month = 0, day = 0;
    bool operator==(const CivilDate&) const = default;
};

// What the program asks of its system beyond the window.
class Services {
  public:
    virtual ~Services() = default;
    // Whether kestrel runs already: on Windows a window with this title exists; elsewhere the
    // platform's own sign (a lock) is taken, and kept by this process from then on.
    virtual bool AnotherInstanceRuns(const std::string& title) = 0;
    // The program's pictures and cursor, before the window is made.
    virtual void LoadResources() = 0;
    virtual void StartTimer(int id, int periodMs) = 0; // replaces a running timer of that id
    // The registered handler of mailto links: its command line as stored, or empty.
    virtual std::string ReadMailtoCommand() = 0;
    // Starts a program so that the user sees it; the result is not examined.
    virtual void StartProgram(const std::string& file, const std::string& parameters) = 0;
    // Opens a web page in the user's browser, through the desktop's own handler of URLs.
    virtual void OpenUrl(const std::string& url) = 0;
    // From any thread: runs the task on the GUI thread, after the events and tasks already
    // waiting there. A task still waiting when the program ends is dropped.
    virtual void Post(std::function<void()> task) = 0;
    // Milliseconds on a clock that only moves forward: not the wall clock, which the user or the
    // network may set back. Its start is of no meaning.
    virtual int64_t MonotonicMs() = 0;
    // Milliseconds on the wall clock, which goes on while the machine sleeps.
    virtual int64_t WallMs() = 0;
    // Today in the user's time zone: where daily and monthly totals begin.
    virtual CivilDate Today() = 0;
};

} // namespace kestrel
