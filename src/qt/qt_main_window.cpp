#include "qt/qt_main_window.h"

#include <QCloseEvent>
#include <QMouseEvent>

namespace kestrel {

MainWindow::MainWindow(WindowEvents& events) : events_(events) {
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle("kestrel");
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white); // the Windows build's window background
    setPalette(palette);
    setAutoFillBackground(true);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->ignore(); // the application saves and quits, or not
    events_.OnClose();
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grab_ = event->globalPosition().toPoint() - pos();
}

// The window goes wherever the pointer takes it, also past the screen's left or top edge.
void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (grab_ && (event->buttons() & Qt::LeftButton))
        move(event->globalPosition().toPoint() - *grab_);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        grab_.reset();
}

} // namespace kestrel
