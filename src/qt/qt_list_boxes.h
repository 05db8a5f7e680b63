#pragma once

#include "ports/list_boxes.h"
#include "qt/qt_shell.h"

namespace kestrel {

class ListBox;

// The window's list boxes, as the ListBox widgets of qt_control_widgets.h.
class QtListBoxes : public ListBoxes {
  public:
    explicit QtListBoxes(QtShell& shell) : shell_(shell) {}

    void ListAdd(ControlName list, const std::string& text) override;
    void ListSelect(ControlName list, int index) override;
    int ListSelection(ControlName list) override;
    void ListReset(ControlName list) override;
    void ListInsert(ControlName list, int index, const std::string& text) override;
    void ListDelete(ControlName list, int index) override;
    void BeginListFill(ControlName list) override;
    void EndListFill(ControlName list) override;

  private:
    ListBox* List(ControlName list) const; // null when that control is no list box

    QtShell& shell_;
};

} // namespace kestrel
