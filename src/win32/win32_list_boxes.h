#pragma once

#include "ports/list_boxes.h"
#include "win32/win32_handles.h"

namespace kestrel {

// The lines of the window's LISTBOX controls, through their LB_ messages.
class Win32ListBoxes : public ListBoxes {
  public:
    explicit Win32ListBoxes(Win32Handles& handles) : handles_(handles) {}

    void ListAdd(ControlName list, const std::string& text) override;
    void ListSelect(ControlName list, int index) override;
    int ListSelection(ControlName list) override;
    void ListReset(ControlName list) override;
    void ListInsert(ControlName list, int index, const std::string& text) override;
    void ListDelete(ControlName list, int index) override;
    void BeginListFill(ControlName list) override;
    void EndListFill(ControlName list) override;

  private:
    Win32Handles& handles_;
};

} // namespace kestrel
