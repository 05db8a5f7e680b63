#pragma once

#include "ports/tray.h"
#include "win32/win32_handles.h"

#include <windows.h>

#include <optional>

namespace kestrel {

// The main window's icons in the notification area, through Shell_NotifyIconA.
class Win32Tray : public Tray {
  public:
    explicit Win32Tray(Win32Handles& handles) : handles_(handles) {}
    ~Win32Tray() override;
    Win32Tray(const Win32Tray&) = delete;
    Win32Tray& operator=(const Win32Tray&) = delete;

    void Add(const TrayIconRecord& record) override;
    void Modify(const TrayIconRecord& record) override;
    void Delete(const TrayIconRecord& record) override;
    void Notify(const TrayIconRecord& record, const std::string& title,
                const std::string& text) override;

  private:
    void Notify(DWORD action, const TrayIconRecord& record);
    HICON IconFor(const TrayPicture& picture);

    Win32Handles& handles_;
    // The last drawn tray picture stays alive until a new one replaces it, so that a record sent
    // again from a tray callback always names a valid icon.
    std::optional<IconRaster> drawnRaster_;
    HICON drawnIcon_ = nullptr;
    int drawnSide_ = 0;
};

} // namespace kestrel
