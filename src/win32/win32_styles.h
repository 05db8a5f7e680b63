#pragma once

#include "ports/controls.h"

#include <windows.h>

namespace kestrel {

struct Win32Style {
    const wchar_t* className;
    DWORD style;
    DWORD extended;
};

// The window class and styles that stand for a control's kind and traits.
Win32Style StyleOf(const ControlSpec& control);

} // namespace kestrel
