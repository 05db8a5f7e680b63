#pragma once

#include "ports/controls.h"
#include "ports/drawing.h"
#include "ports/list_boxes.h"
#include "ports/menus.h"
#include "ports/services.h"
#include "ports/tray.h"
#include "ports/window.h"

namespace kestrel {

// The desktop as the core sees it: one small port per concern, all served by one back end on
// the one GUI thread.
struct Desktop {
    Window& window;
    Controls& controls;
    ListBoxes& lists;
    Drawing& drawing;
    Menus& menus;
    Services& services;
    Tray& tray;
};

} // namespace kestrel
