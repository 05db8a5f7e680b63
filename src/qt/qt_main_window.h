#pragma once

#include "ports/window_events.h"

#include <QPoint>
#include <QWidget>

namespace kestrel {

// The main window: frameless, on top of the others, out of the task bar; any free part of it
// drags it. Closing it asks the application.
class MainWindow : public QWidget {
  public:
    explicit MainWindow(WindowEvents& events);

  protected:
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    WindowEvents& events_;
    QPoint grab_; // where the pointer holds the window, from its top-left corner
};

} // namespace kestrel
