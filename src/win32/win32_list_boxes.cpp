#include "win32/win32_list_boxes.h"

#include "win32/win32_text.h"

namespace kestrel {

void Win32ListBoxes::ListAdd(ControlName list, const std::string& text) {
    handles_.SendToChild(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void Win32ListBoxes::ListSelect(ControlName list, int index) {
    handles_.SendToChild(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int Win32ListBoxes::ListSelection(ControlName list) {
    return static_cast<int>(handles_.SendToChild(list, LB_GETCURSEL, 0, 0));
}

void Win32ListBoxes::ListReset(ControlName list) {
    handles_.SendToChild(list, LB_RESETCONTENT, 0, 0);
}

void Win32ListBoxes::ListInsert(ControlName list, int index, const std::string& text) {
    handles_.SendToChild(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                         reinterpret_cast<LPARAM>(Wide(text).c_str()));
}

void Win32ListBoxes::ListDelete(ControlName list, int index) {
    handles_.SendToChild(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
}

void Win32ListBoxes::BeginListFill(ControlName list) {
    handles_.SendToChild(list, WM_SETREDRAW, FALSE, 0);
}

void Win32ListBoxes::EndListFill(ControlName list) {
    // What waits to be painted first (the controls beneath the list among it), while the list
    // still does not redraw: Wine's list box invalidates itself when redrawing resumes, and would
    // be painted twice. Then the items and the frame with its scroll bar, once, on top, as a list
    // redrawn all along ends up.
    RedrawWindow(handles_.window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    handles_.SendToChild(list, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(handles_.Child(list), nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
}

} // namespace kestrel
