#include "qt/qt_list_boxes.h"

#include "qt/qt_control_widgets.h"

namespace kestrel {

ListBox* QtListBoxes::List(ControlName list) const {
    return dynamic_cast<ListBox*>(shell_.Widget(list));
}

void QtListBoxes::ListAdd(ControlName list, const std::string& text) {
    if (ListBox* box = List(list))
        box->Add(text);
}

void QtListBoxes::ListSelect(ControlName list, int index) {
    if (ListBox* box = List(list))
        box->Select(index);
}

int QtListBoxes::ListSelection(ControlName list) {
    ListBox* box = List(list);
    return box ? box->Selection() : -1;
}

void QtListBoxes::ListReset(ControlName list) {
    if (ListBox* box = List(list))
        box->Reset();
}

void QtListBoxes::ListInsert(ControlName list, int index, const std::string& text) {
    if (ListBox* box = List(list))
        box->Insert(index, text);
}

void QtListBoxes::ListDelete(ControlName list, int index) {
    if (ListBox* box = List(list))
        box->Delete(index);
}

void QtListBoxes::BeginListFill(ControlName list) {
    if (ListBox* box = List(list))
        box->setUpdatesEnabled(false);
}

void QtListBoxes::EndListFill(ControlName list) {
    if (ListBox* box = List(list))
        box->setUpdatesEnabled(true); // and repaints once
}

} // namespace kestrel
