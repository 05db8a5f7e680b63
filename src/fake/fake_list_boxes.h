#pragma once

#include "ports/list_boxes.h"

namespace kestrel {

class FakeDesktop;

// The list boxes' lines as the fake keeps them, sorted where the control sorts.
class FakeListBoxes : public ListBoxes {
  public:
    explicit FakeListBoxes(FakeDesktop& desk) : desk_(desk) {}

    void ListAdd(ControlName list, const std::string& text) override;
    void ListSelect(ControlName list, int index) override;
    int ListSelection(ControlName list) override;
    void ListReset(ControlName list) override;
    void ListInsert(ControlName list, int index, const std::string& text) override;
    void ListDelete(ControlName list, int index) override;
    void BeginListFill(ControlName list) override;
    void EndListFill(ControlName list) override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
