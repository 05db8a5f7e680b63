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

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        move(event->globalPosition().toPoint() - grab_);
}

} // namespace kestrel
