#pragma once

#include "platform/controls.h"
#include "platform/drawing.h"
#include "platform/geometry.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace kestrel {

enum class TrayMouse { LeftButtonUp, RightButtonUp, Other };

// What the platform delivers to the application. All calls arrive on the one GUI thread.
class WindowEvents {
  public:
    virtual ~WindowEvents() = default;
    virtual void OnCreate() = 0;
    virtual void OnClose() = 0;
    // fromControl is false for menu commands; code is the control's notification code.
    virtual void OnCommand(int id, int code, bool fromControl) = 0;
    virtual void OnTimer() = 0;
    virtual void OnTrayCallback(int callbackMessage, TrayMouse mouse) = 0;
    // The shell's taskbar was created anew (Explorer restarted): every tray icon is gone.
    virtual void OnTaskbarCreated() = 0;
};

enum class MenuItemKind { Text, Separator, AboutPicture };

struct MenuItem {
    int id;
    MenuItemKind kind;
    std::string text;
    bool operator==(const MenuItem&) const = default;
};

// A 16 x 16 tray picture: a 1-bit mask (2 bytes a row, top row first, leftmost column in the
// high bit) and 8-bit colour indexes (16 bytes a row, top row first).
struct IconRaster {
    std::array<uint8_t, 32> mask{};
    std::array<uint8_t, 256> colour{};
    bool operator==(const IconRaster&) const = default;
};

// A named picture from the program's resources ("NO", "MAIL") or one drawn at run time.
using TrayPicture = std::variant<std::string, IconRaster>;

inline constexpr int TooltipBytes = 64;

struct TrayIconRecord {
    int id;
    int callbackMessage;
    TrayPicture picture;
    std::array<char, TooltipBytes> tooltip{}; // NUL-terminated 8-bit text
};

// The main window, its child controls and the services around them.
//
// Text is 8-bit Windows-1252. List indexes count from 0; -1 means none. Operations on a control
// that does not exist, or an index a list does not have, do nothing (or return empty/-1).
class Desktop {
  public:
    virtual ~Desktop() = default;

    // Start-up and the message loop.
    // Whether kestrel runs already: on Windows a window with this title exists; elsewhere the
    // platform's own sign (a lock) is taken, and kept by this process from then on.
    virtual bool AnotherInstanceRuns(const std::string& title) = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual void LoadResources() = 0;
    // Creates the popup window "kestrel" at (0, 0), 100 x 63; calls events.OnCreate before it
    // returns. Every later event goes to the same receiver.
    virtual void CreateMainWindow(WindowEvents& events) = 0;
    virtual int RunMessageLoop() = 0;
    virtual void PostQuit(int code) = 0;

    // The main window.
    virtual Rect WindowRect() = 0;
    virtual void MoveWindow(const Rect& rect) = 0; // repaints
    virtual void ShowWindow(bool shown) = 0;       // shown: normal state; otherwise hidden
    virtual void PaintNow() = 0;                   // runs a pending repaint at once
    virtual std::unique_ptr<Surface> BeginDrawing() = 0;
    // Whether any part of the rectangle lies on one of the screens.
    virtual bool OnAnyScreen(const Rect& rect) = 0;

    // Child controls.
    virtual void CreateControl(const ControlSpec& spec) = 0;
    virtual void ShowControl(ControlName control, bool shown) = 0;
    virtual void SetText(ControlName control, const std::string& text) = 0;
    // At most maxBytes - 1 bytes, as a transfer of maxBytes including the terminator.
    virtual std::string GetText(ControlName control, int maxBytes) = 0;
    virtual void SetChecked(ControlName control, bool checked) = 0;
    virtual bool IsChecked(ControlName control) = 0;
    virtual void Focus(ControlName control) = 0;
    virtual void ListAdd(ControlName list, const std::string& text) = 0;
    virtual void ListSelect(ControlName list, int index) = 0;
    virtual int ListSelection(ControlName list) = 0;
    virtual void ListReset(ControlName list) = 0;
    // Inserts before the index; -1 appends, also to a sorted list.
    virtual void ListInsert(ControlName list, int index, const std::string& text) = 0;
    virtual void ListDelete(ControlName list, int index) = 0;
    // Between these two the list is not redrawn, however many lines come; the end repaints it
    // once. A list box that redraws its scroll bar for every insert is slow to fill.
    virtual void BeginListFill(ControlName list) = 0;
    virtual void EndListFill(ControlName list) = 0;

    // Font and drawing objects, made once at creation and deleted once at exit.
    virtual void CreateMainFont() = 0;     // "arial", height -9, weight 800, given to every child
    virtual void CreateDrawingTools() = 0; // black brush, red pen, green pen
    virtual void DeleteDrawingTools() = 0; // brush, green pen, red pen, then the font

    // Menus: shown with the top-left corner at the point; a chosen item arrives later as a menu
    // command through WindowEvents::OnCommand.
    virtual void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) = 0;

    virtual void StartTimer(int id, int periodMs) = 0; // replaces a running timer of that id
    virtual Size ScreenSize() = 0;
    virtual Point PointerPosition() = 0;

    // The registered handler of mailto links: its command line as stored, or empty.
    virtual std::string ReadMailtoCommand() = 0;
    // Starts a program so that the user sees it; the result is not examined.
    virtual void StartProgram(const std::string& file, const std::string& parameters) = 0;
};

// The notification area. Results are not examined by the application.
class Tray {
  public:
    virtual ~Tray() = default;
    virtual void Add(const TrayIconRecord& record) = 0;
    virtual void Modify(const TrayIconRecord& record) = 0;
    virtual void Delete(const TrayIconRecord& record) = 0;
};

} // namespace kestrel
