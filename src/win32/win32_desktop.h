#pragma once

#include "ports/desktop.h"
#include "win32/win32_surface.h"

#include <windows.h>

#include <array>
#include <optional>

namespace kestrel {

// The desktop and the tray on Win32, through the ANSI calls.
class Win32Desktop : public Desktop, public Tray {
  public:
    explicit Win32Desktop(HINSTANCE instance) : instance_(instance) {}
    ~Win32Desktop() override;

    bool AnotherInstanceRuns(const std::string& title) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    void LoadResources() override;
    void CreateMainWindow(WindowEvents& events) override;
    int RunMessageLoop() override;
    void PostQuit(int code) override;

    Rect WindowRect() override;
    void MoveWindow(const Rect& rect) override;
    void ShowWindow(bool shown) override;
    void PaintNow() override;
    std::unique_ptr<Surface> BeginDrawing() override;
    bool OnAnyScreen(const Rect& rect) override;

    void CreateControl(const ControlSpec& spec) override;
    void ShowControl(ControlName control, bool shown) override;
    void SetText(ControlName control, const std::string& text) override;
    std::string GetText(ControlName control, int maxBytes) override;
    void SetChecked(ControlName control, bool checked) override;
    bool IsChecked(ControlName control) override;
    void Focus(ControlName control) override;
    void ListAdd(ControlName list, const std::string& text) override;
    void ListSelect(ControlName list, int index) override;
    int ListSelection(ControlName list) override;
    void ListReset(ControlName list) override;
    void ListInsert(ControlName list, int index, const std::string& text) override;
    void ListDelete(ControlName list, int index) override;
    void BeginListFill(ControlName list) override;
    void EndListFill(ControlName list) override;
    std::string ReadMailtoCommand() override;
    void StartProgram(const std::string& file, const std::string& parameters) override;

    void CreateMainFont() override;
    void CreateDrawingTools() override;
    void DeleteDrawingTools() override;

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override;
    void StartTimer(int id, int periodMs) override;
    Size ScreenSize() override;
    Point PointerPosition() override;

    void Add(const TrayIconRecord& record) override;
    void Modify(const TrayIconRecord& record) override;
    void Delete(const TrayIconRecord& record) override;

  private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM w, LPARAM l);
    static LRESULT CALLBACK FilteringEditProcedure(HWND edit, UINT message, WPARAM w, LPARAM l);
    LRESULT FilterEdit(size_t control, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    HWND Child(ControlName control) const;
    LRESULT SendToChild(ControlName control, UINT message, WPARAM w, LPARAM l);
    void Notify(DWORD action, const TrayIconRecord& record);
    HICON IconFor(const TrayPicture& picture);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    WindowEvents* events_ = nullptr;
    UINT taskbarCreated_ = 0;
    std::array<HWND, ControlCount> children_{};
    // Fields that refuse some bytes get a window procedure of ours in front of their own.
    std::array<std::string, ControlCount> refusedBytes_{};
    std::array<WNDPROC, ControlCount> editProcedures_{};

    HBITMAP about_ = nullptr;
    HICON mainIcon_ = nullptr;
    HCURSOR arrow_ = nullptr;
    HICON noIcon_ = nullptr;
    HICON mailIcon_ = nullptr;

    DrawingTools tools_;

    // The last drawn tray picture stays alive until a new one replaces it, so that a record sent
    // again from a tray callback always names a valid icon.
    std::optional<IconRaster> drawnRaster_;
    HICON drawnIcon_ = nullptr;
};

} // namespace kestrel
