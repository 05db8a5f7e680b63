#include "qt/qt_drawing.h"

#include "qt/qt_surface.h"

#include <QFontMetrics>

namespace kestrel {

// "arial", 9 pixels high, weight 800; Liberation Sans stands in with Arial's metrics.
void QtDrawing::CreateMainFont() {
    shell_.font = QFont("Arial");
    shell_.font.setPixelSize(9);
    shell_.font.setWeight(QFont::ExtraBold);
    shell_.ascent = QFontMetrics(shell_.font).ascent();
    for (QWidget* control : shell_.controls) {
        if (control)
            control->setFont(shell_.font);
    }
}

std::unique_ptr<Surface> QtDrawing::BeginDrawing() {
    return std::make_unique<QtSurface>(*shell_.layer, shell_.font, shell_.ascent);
}

} // namespace kestrel
