#pragma once

#include "ports/controls.h"
#include "ports/drawing.h"
#include "ports/menus.h"
#include "ports/pixel_canvas.h"
#include "ports/services.h"
#include "ports/tray.h"
#include "ports/window_events.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// Tasks posted to the GUI thread from any thread; the test runs them when it chooses, on its
// own thread, which plays the GUI thread.
class PostedTasks {
  public:
    void Push(std::function<void()> task);
    // Runs what is waiting, and what those tasks post in turn; how many ran.
    int RunAll();
    // Waits until a task is waiting, at most that long.
    void WaitForAny(std::chrono::milliseconds limit);

  private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::function<void()>> tasks_;
};

// What an in-memory desktop shows and was asked, kept for tests: the scripted inputs, what a real
// desktop would show, and a log of every call that changes something, in order.
struct FakeRecord {
    struct Control {
        ControlSpec definition;
        bool visible = false;
        std::string text;
        bool checked = false;
        std::vector<std::string> items;
        int selection = -1;
        bool filling = false;      // between BeginListFill and EndListFill
        int shownInserts = 0;      // lines inserted while the list was redrawn
        int repaintsAfterFill = 0; // one per EndListFill
    };
    struct ShownMenu {
        std::vector<MenuItem> items;
        Point topLeft;
    };
    struct Message {
        std::string text;
        std::string caption;
    };
    struct DrawnText {
        Point at;
        std::string text;
        Colour colour;
        Colour background;
    };
    struct Notification {
        int icon;
        std::string title;
        std::string text;
        bool operator==(const Notification&) const = default;
    };
    struct Timer {
        int id;
        int periodMs;
    };

    // Scripted inputs.
    Size screen{1024, 768};
    Point pointer{500, 400};
    bool otherInstanceRunning = false;
    int64_t clockMs = 0;        // the monotonic clock's last reading
    int64_t clockStepMs = 2000; // how far the next reading moves it
    int64_t wallAheadMs = 0;    // how far the wall clock runs ahead of it
    CivilDate today{2026, 12, 9};
    std::string mailtoCommand;
    bool notificationsShown = true; // false: a desktop without a notification service

    // What the application did.
    std::vector<std::string> log;
    bool windowCreated = false;
    bool windowShown = false;
    Rect rect;
    std::vector<Control> controls; // in creation order
    std::optional<ControlName> focus;
    std::optional<Timer> timer;
    int timerStarts = 0;
    std::vector<ShownMenu> menus;
    std::vector<Message> messages;
    std::vector<SignInForm> signInForms;
    std::vector<std::string> openedUrls;
    std::optional<SignInChoice> signInAnswer; // scripted: what the sign-in dialog returns
    std::map<int, TrayIconRecord> trayIcons; // by identifier, as the tray holds them now
    std::vector<Notification> notifications; // as they were shown
    std::optional<int> quitCode;
    std::vector<std::pair<std::string, std::string>> started; // file and parameters
    PostedTasks posted;
    WindowEvents* events = nullptr;

    // The window's pixels, 0xRRGGBB, as far as the application drew them; Untouched elsewhere.
    static constexpr int CanvasWidth = 305;
    static constexpr int CanvasHeight = 63;
    static constexpr uint32_t Untouched = 0x123456;
    PixelCanvas canvas{CanvasWidth, CanvasHeight, Untouched};
    std::vector<DrawnText> texts;
    int openSurfaces = 0;
    uint32_t Pixel(int x, int y) const { return canvas.Pixel(x, y); }

    Control& control(ControlName name);
    bool Visible(ControlName name) { return control(name).visible; }
    // The user drags the window to a new top-left corner.
    void Drag(Point topLeft);

    // The user types or pastes into a field; the field refuses what its control refuses.
    void UserTypes(ControlName name, const std::string& text);
    Control* Find(ControlName name);
};

// The log's name for a control, as the control table names it.
std::string NameOf(ControlName name);

} // namespace kestrel
