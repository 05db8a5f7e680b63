#pragma once

#include "ports/drawing.h"
#include "qt/qt_shell.h"

namespace kestrel {

// The main window's font and its drawing, which goes into the drawn layer over the controls
// (qt_surface.h).
class QtDrawing : public Drawing {
  public:
    explicit QtDrawing(QtShell& shell) : shell_(shell) {}

    void CreateMainFont() override;
    void CreateDrawingTools() override {} // the pens and the brush are colours here
    void DeleteDrawingTools() override {}
    std::unique_ptr<Surface> BeginDrawing() override;

  private:
    QtShell& shell_;
};

} // namespace kestrel
