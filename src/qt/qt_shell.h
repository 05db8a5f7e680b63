#pragma once

#include "ports/controls.h"
#include "ports/window_events.h"
#include "qt/qt_main_window.h"

#include <QFont>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace kestrel {

class DrawnLayer;

// The program's pictures, loaded before the window is made.
struct QtPictures {
    QPixmap about;
    QIcon noMail; // "NO"
    QIcon mail;   // "MAIL"
};

// What the Qt ports share: the main window and what lies on it, the font that the controls and
// the drawing use, the program's pictures, and the receiver of the window's events. The desktop
// that bundles the ports owns it; each port refers to it.
struct QtShell {
    WindowEvents* events = nullptr; // set when the window is made
    std::unique_ptr<MainWindow> window;
    DrawnLayer* layer = nullptr;                   // owned by the window
    std::array<QWidget*, ControlCount> controls{}; // owned by the window; null until made
    QFont font;
    int ascent = 0; // of the font: a text's point is its cell's top-left corner
    QtPictures pictures;
    bool noTraySaid = false;

    // A control's widget, or null when it was not made.
    QWidget* Widget(ControlName control) const;
    // Hands the call to the receiver from the loop, as Windows posts a message: it never runs
    // inside the call that caused it, and not at all once the window is gone.
    void Post(std::function<void(WindowEvents&)> call);
    // Whether a tray shows the icons. Without one the window stays usable, but its icons are
    // nowhere to be seen: that is said on standard error, once.
    bool TrayAvailable();
};

} // namespace kestrel
