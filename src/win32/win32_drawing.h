#pragma once

#include "ports/drawing.h"
#include "win32/win32_handles.h"
#include "win32/win32_surface.h"

namespace kestrel {

// The main window's font, brush and pens, and the surface that draws with them.
class Win32Drawing : public Drawing {
  public:
    explicit Win32Drawing(Win32Handles& handles) : handles_(handles) {}

    void CreateMainFont() override;
    void CreateDrawingTools() override;
    void DeleteDrawingTools() override;
    std::unique_ptr<Surface> BeginDrawing() override;

  private:
    Win32Handles& handles_;
    DrawingTools tools_;
};

} // namespace kestrel
