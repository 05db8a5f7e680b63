#include "qt/qt_surface.h"

#include "qt/qt_text.h"

#include <QPaintEvent>
#include <QPainter>

namespace kestrel {

namespace {
QColor ToQColor(Colour c) {
    return QColor(c.red, c.green, c.blue);
}
} // namespace

DrawnLayer::DrawnLayer(QWidget* parent)
    : QWidget(parent), image_(reinterpret_cast<uchar*>(canvas_.Data()), Width, Height, Width * 4,
                              QImage::Format_ARGB32_Premultiplied) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(0, 0, Width, Height);
}

void DrawnLayer::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    // At a device pixel ratio above 1 each pixel becomes a block of its own colour, not a blur.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect r = event->rect();
    painter.drawImage(r, image_, r);
}

QtSurface::~QtSurface() {
    painter_.reset();
    layer_.update();
}

void QtSurface::FillBlack(const Rect& rect) {
    layer_.Canvas().Fill(rect, 0);
}

// The top-left corner of the text's cell at the point; the cell is filled with the background.
void QtSurface::Text(Point at, const std::string& text, Colour colour, Colour background) {
    if (!painter_) {
        painter_.emplace(&layer_.Image());
        // Qt leaves fonts unhinted above a device pixel ratio of 1, but these texts are drawn
        // one pixel to a pixel and only then enlarged: hinted as fontconfig's default is.
        QFont font = font_;
        font.setHintingPreference(QFont::PreferVerticalHinting);
        painter_->setFont(font);
        painter_->setBackgroundMode(Qt::OpaqueMode);
    }
    painter_->setPen(ToQColor(colour));
    painter_->setBackground(ToQColor(background));
    painter_->drawText(QPoint(at.x, at.y + ascent_), FromUtf8(text));
}

void QtSurface::SelectPen(PenColour pen) {
    pen_ = pen == PenColour::Red ? 0xFF0000 : 0x00FF00;
}

void QtSurface::LineTo(Point to) {
    layer_.Canvas().Line(at_, to, pen_);
    at_ = to;
}

} // namespace kestrel
