#pragma once

#include "ports/desktop.h"
#include "win32/win32_controls.h"
#include "win32/win32_drawing.h"
#include "win32/win32_handles.h"
#include "win32/win32_list_boxes.h"
#include "win32/win32_menus.h"
#include "win32/win32_services.h"
#include "win32/win32_tray.h"
#include "win32/win32_window.h"

#include <windows.h>

namespace kestrel {

// The desktop on Win32, through the ANSI calls: one object per port, all over the same handles.
class Win32Desktop {
  public:
    explicit Win32Desktop(HINSTANCE instance);
    Win32Desktop(const Win32Desktop&) = delete;
    Win32Desktop& operator=(const Win32Desktop&) = delete;

    Desktop Ports();

  private:
    Win32Handles handles_;
    Win32Window window_{handles_};
    Win32Controls controls_{handles_};
    Win32ListBoxes lists_{handles_};
    Win32Drawing drawing_{handles_};
    Win32Menus menus_{handles_};
    Win32Services services_{handles_};
    Win32Tray tray_{handles_};
};

} // namespace kestrel
