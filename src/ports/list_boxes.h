#pragma once

#include "ports/controls.h"

#include <string>

namespace kestrel {

// The lines of the window's list boxes. Indexes count from 0; -1 means none. A list that does
// not exist, or an index it does not have, does nothing (or returns -1).
class ListBoxes {
  public:
    virtual ~ListBoxes() = default;
    virtual void ListAdd(ControlName list, const std::string& text) = 0;
    // Selects the line and scrolls it into view, also in a list not yet shown.
    virtual void ListSelect(ControlName list, int index) = 0;
    virtual int ListSelection(ControlName list) = 0;
    virtual void ListReset(ControlName list) = 0;
    // Inserts before the index; -1 appends, also to a sorted list.
    virtual void ListInsert(ControlName list, int index, const std::string& text) = 0;
    virtual void ListDelete(ControlName list, int index) = 0;
    // Between these two the list is not redrawn, however many lines come; the end repaints it
    // once. A list box that redraws its scroll bar for every insert is slow to fill.
    virtual void BeginListFill(ControlName list) = 0;
    virtual void EndListFill(ControlName list) = 0;
};

} // namespace kestrel
