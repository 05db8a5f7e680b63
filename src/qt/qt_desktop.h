#pragma once

#include "ports/desktop.h"
#include "qt/qt_controls.h"
#include "qt/qt_drawing.h"
#include "qt/qt_list_boxes.h"
#include "qt/qt_menus.h"
#include "qt/qt_services.h"
#include "qt/qt_shell.h"
#include "qt/qt_tray.h"
#include "qt/qt_window.h"

#include <QImage>
#include <QSystemTrayIcon>
#include <QWidget>

namespace kestrel {

// The desktop on Qt 6 Widgets, with the Linux desktop's own parts (instance lock, mailto
// handler) below it: the ports and the shell they share, made together and gone together.
// Requires a QApplication.
class QtDesktop {
  public:
    QtDesktop();
    QtDesktop(const QtDesktop&) = delete;
    QtDesktop& operator=(const QtDesktop&) = delete;

    Desktop Ports();

    // What the entry and the tests look at: the window (null until it is made), a control's
    // widget, the drawn pixels, a tray icon (null when there is none).
    QWidget* Window() const { return shell_.window.get(); }
    QWidget* Widget(ControlName control) const { return shell_.Widget(control); }
    const QImage& Drawn() const;
    QSystemTrayIcon* TrayIcon(int id) const { return tray_.Icon(id); }

  private:
    QtShell shell_; // first made, last gone: the ports refer to it
    QtWindow window_;
    QtControls controls_;
    QtListBoxes lists_;
    QtDrawing drawing_;
    QtMenus menus_;
    QtServices services_;
    QtTray tray_;
};

} // namespace kestrel
