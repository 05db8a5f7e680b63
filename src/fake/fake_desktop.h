#pragma once

#include "fake/fake_controls.h"
#include "fake/fake_drawing.h"
#include "fake/fake_list_boxes.h"
#include "fake/fake_menus.h"
#include "fake/fake_record.h"
#include "fake/fake_services.h"
#include "fake/fake_tray.h"
#include "fake/fake_window.h"
#include "ports/desktop.h"

namespace kestrel {

// An in-memory desktop and tray for tests: tests set the scripted inputs of its record and read
// the rest; its ports, one class each, write into that one record.
class FakeDesktop : public FakeRecord {
  public:
    FakeDesktop() = default;
    FakeDesktop(const FakeDesktop&) = delete;
    FakeDesktop& operator=(const FakeDesktop&) = delete;

    Desktop Ports() { return {window_, controls_, lists_, drawing_, menus_, services_, tray_}; }

  private:
    FakeWindow window_{*this};
    FakeControls controls_{*this};
    FakeListBoxes lists_{*this};
    FakeDrawing drawing_{*this};
    FakeMenus menus_{*this};
    FakeServices services_{*this};
    FakeTray tray_{*this};
};

} // namespace kestrel
