#pragma once

#include "ports/drawing.h"

namespace kestrel {

class FakeDesktop;

// Drawing into the fake's pixel canvas, by the one line rule, with every text kept.
class FakeDrawing : public Drawing {
  public:
    explicit FakeDrawing(FakeDesktop& desk) : desk_(desk) {}

    void CreateMainFont() override;
    void CreateDrawingTools() override;
    void DeleteDrawingTools() override;
    std::unique_ptr<Surface> BeginDrawing() override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
