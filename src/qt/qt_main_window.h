#pragma once

#include "ports/window_events.h"

#include <QPoint>
#include <QWidget>

#include <optional>

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
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    WindowEvents& events_;
    // Where the pointer holds the window, from its top-left corner; nothing when the press was
    // not the window's own (a control took it, and its moves come here unasked).
    std::optional<QPoint> grab_;
};

} // namespace kestrel
