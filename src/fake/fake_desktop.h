#pragma once

#include "ports/desktop.h"
#include "ports/pixel_canvas.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrel {

// An in-memory desktop and tray for tests: it keeps what a real one would show and a log of every
// call that changes something, in order. Tests set the scripted inputs and read the rest.
class FakeDesktop : public Desktop, public Tray {
  public:
    struct Control {
        ControlSpec spec;
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
    struct Timer {
        int id;
        int periodMs;
    };

    // Scripted inputs.
    Size screen{1024, 768};
    Point pointer{500, 400};
    bool otherInstanceRunning = false;
    std::string mailtoCommand;

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
    std::map<int, TrayIconRecord> trayIcons; // by identifier, as the tray holds them now
    std::optional<int> quitCode;
    std::vector<std::pair<std::string, std::string>> started; // file and parameters
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

    bool AnotherInstanceRuns(const std::string& title) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void LoadResources() override;
    void CreateMainWindow(WindowEvents& receiver) override;
    int RunMessageLoop() override;
    void PostQuit(int code) override;

    Rect WindowRect() override { return rect; }
    void MoveWindow(const Rect& to) override;
    void ShowWindow(bool shown) override;
    void PaintNow() override;
    std::unique_ptr<Surface> BeginDrawing() override;
    bool OnAnyScreen(const Rect& r) override;

    void CreateControl(const ControlSpec& spec) override;
    void ShowControl(ControlName name, bool shown) override;
    void SetText(ControlName name, const std::string& text) override;
    // The user types or pastes into a field; the field refuses what its control refuses.
    void UserTypes(ControlName name, const std::string& text);
    std::string GetText(ControlName name, int maxBytes) override;
    void SetChecked(ControlName name, bool checked) override;
    bool IsChecked(ControlName name) override;
    void Focus(ControlName name) override;
    void ListAdd(ControlName list, const std::string& text) override;
    void ListSelect(ControlName list, int index) override;
    int ListSelection(ControlName list) override;
    void ListReset(ControlName list) override;
    void ListInsert(ControlName list, int index, const std::string& text) override;
    void ListDelete(ControlName list, int index) override;
    void BeginListFill(ControlName list) override;
    void EndListFill(ControlName list) override;
    std::string ReadMailtoCommand() override { return mailtoCommand; }
    void StartProgram(const std::string& file, const std::string& parameters) override {
        log.push_back("start " + file + " | " + parameters);
        started.push_back({file, parameters});
    }

    void CreateMainFont() override;
    void CreateDrawingTools() override;
    void DeleteDrawingTools() override;

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override;
    void StartTimer(int id, int periodMs) override;
    Size ScreenSize() override { return screen; }
    Point PointerPosition() override { return pointer; }

    void Add(const TrayIconRecord& record) override;
    void Modify(const TrayIconRecord& record) override;
    void Delete(const TrayIconRecord& record) override;

  private:
    Control* Find(ControlName name);
};

// The log's name for a control, as the control table names it.
std::string NameOf(ControlName name);

} // namespace kestrel
