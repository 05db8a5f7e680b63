#pragma once

#include "fake/fake_record.h"
#include "ports/drawing.h"

#include <string>

namespace kestrel {

// One drawing on the fake's canvas; the record counts the surfaces still open.
class FakeSurface : public Surface {
  public:
    explicit FakeSurface(FakeRecord& desk) : desk_(desk) { ++desk_.openSurfaces; }
    ~FakeSurface() override { --desk_.openSurfaces; }

    void FillBlack(const Rect& r) override {
        desk_.log.push_back("fill " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                            std::to_string(r.width) + "x" + std::to_string(r.height));
        desk_.canvas.Fill(r, 0);
    }
    void Text(Point at, const std::string& text, Colour colour, Colour background) override {
        desk_.log.push_back("text " + text);
        desk_.texts.push_back({at, text, colour, background});
    }
    void SelectPen(PenColour pen) override {
        desk_.log.push_back(pen == PenColour::Red ? "pen red" : "pen green");
        pen_ = pen == PenColour::Red ? 0xFF0000 : 0x00FF00;
    }
    void MoveTo(Point to) override { at_ = to; }
    void LineTo(Point to) override {
        desk_.canvas.Line(at_, to, pen_);
        at_ = to;
    }

  private:
    FakeRecord& desk_;
    Point at_;
    uint32_t pen_ = 0;
};

// Drawing into the fake's pixel canvas, by the one line rule, with every text kept.
class FakeDrawing : public Drawing {
  public:
    explicit FakeDrawing(FakeRecord& desk) : desk_(desk) {}

    void CreateMainFont() override { desk_.log.push_back("create font"); }
    void CreateDrawingTools() override { desk_.log.push_back("create drawing tools"); }
    void DeleteDrawingTools() override { desk_.log.push_back("delete drawing tools"); }
    std::unique_ptr<Surface> BeginDrawing() override {
        return std::make_unique<FakeSurface>(desk_);
    }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
