#pragma once

#include "ports/drawing.h"
#include "ports/pixel_canvas.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QWidget>

#include <optional>

namespace kestrel {

// What the application draws on the window, kept as pixels over the controls: as on Windows,
// where the window's drawing lies on its children until they repaint, and the graph's static
// and the mail mark show the graph and the "@" drawn over them. Transparent where nothing was
// drawn; the mouse passes through it to the window and the controls.
class DrawnLayer : public QWidget {
  public:
    static constexpr int Width = 305;
    static constexpr int Height = 63;

    explicit DrawnLayer(QWidget* parent);
    PixelCanvas& Canvas() { return canvas_; }
    // The canvas as an image, sharing its pixels.
    QImage& Image() { return image_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    PixelCanvas canvas_{Width, Height, 0, 0xFF000000};
    QImage image_;
};

// One drawing on the layer; the layer shows it once the drawing ends.
class QtSurface : public Surface {
  public:
    QtSurface(DrawnLayer& layer, const QFont& font, int ascent)
        : layer_(layer), font_(font), ascent_(ascent) {}
    ~QtSurface() override;

    void FillBlack(const Rect& rect) override;
    void Text(Point at, const std::string& text, Colour colour, Colour background) override;
    void SelectPen(PenColour pen) override;
    void MoveTo(Point to) override { at_ = to; }
    void LineTo(Point to) override;

  private:
    DrawnLayer& layer_;
    const QFont& font_;
    int ascent_;
    std::optional<QPainter> painter_; // for the texts, made at the first; the rest is pixels
    uint32_t pen_ = 0xFF0000;
    Point at_;
};

} // namespace kestrel
