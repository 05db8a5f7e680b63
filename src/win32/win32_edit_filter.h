#pragma once

#include "win32/win32_handles.h"

#include <windows.h>

#include <array>
#include <string>

namespace kestrel {

// Fields that refuse some bytes get a window procedure of ours in front of their own.
class Win32EditFilter {
  public:
    explicit Win32EditFilter(const Win32Handles& handles) : handles_(handles) {}
    ~Win32EditFilter();
    Win32EditFilter(const Win32EditFilter&) = delete;
    Win32EditFilter& operator=(const Win32EditFilter&) = delete;

    void Install(ControlName control, const std::string& refusedBytes);

  private:
    static LRESULT CALLBACK FilteringEditProcedure(HWND edit, UINT message, WPARAM w, LPARAM l);
    LRESULT FilterEdit(size_t control, UINT message, WPARAM w, LPARAM l);

    const Win32Handles& handles_;
    std::array<std::string, ControlCount> refusedBytes_{};
    std::array<WNDPROC, ControlCount> editProcedures_{};
};

} // namespace kestrel
