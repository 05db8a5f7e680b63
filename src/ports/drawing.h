#pragma once

#include "ports/geometry.h"

#include <cstdint>
#include <memory>
#include <string>

namespace kestrel {

struct Colour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    bool operator==(const Colour&) const = default;
};

enum class PenColour { Red, Green };

// The main window's surface for one drawing, outside any paint cycle; released when it goes.
// Drawing uses the objects made at window creation: the black brush, the two pens, MainFont.
class Surface {
  public:
    virtual ~Surface() = default;
    virtual void FillBlack(const Rect& rect) = 0;
    // MainFont, top-left corner at the point, each character cell filled with the background.
    virtual void Text(Point at, const std::string& text, Colour colour, Colour background) = 0;
    virtual void SelectPen(PenColour pen) = 0;
    virtual void MoveTo(Point to) = 0;
    // Draws from the current point to this one: the start pixel is drawn, the end pixel not.
    virtual void LineTo(Point to) = 0;
};

// The drawing objects of the main window, made once at creation and deleted once at exit, and
// the surface that draws with them.
class Drawing {
  public:
    virtual ~Drawing() = default;
    virtual void CreateMainFont() = 0;     // "arial", height -9, weight 800, given to every child
    virtual void CreateDrawingTools() = 0; // black brush, red pen, green pen
    virtual void DeleteDrawingTools() = 0; // brush, green pen, red pen, then the font
    virtual std::unique_ptr<Surface> BeginDrawing() = 0;
};

} // namespace kestrel
