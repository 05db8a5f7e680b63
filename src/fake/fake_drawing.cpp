#include "fake/fake_drawing.h"

#include "fake/fake_desktop.h"

#include <string>

namespace kestrel {

namespace {

class FakeSurface : public Surface {
  public:
    explicit FakeSurface(FakeDesktop& desk) : desk_(desk) { ++desk_.openSurfaces; }
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
    FakeDesktop& desk_;
    Point at_;
    uint32_t pen_ = 0;
};

} // namespace

void FakeDrawing::CreateMainFont() {
    desk_.log.push_back("create font");
}

void FakeDrawing::CreateDrawingTools() {
    desk_.log.push_back("create drawing tools");
}

void FakeDrawing::DeleteDrawingTools() {
    desk_.log.push_back("delete drawing tools");
}

std::unique_ptr<Surface> FakeDrawing::BeginDrawing() {
    return std::make_unique<FakeSurface>(desk_);
}

} // namespace kestrel
