#include "win32/win32_styles.h"

namespace kestrel {

namespace {

bool Has(const ControlSpec& control, ControlTrait trait) {
    return (control.traits & trait) != 0;
}

DWORD KindStyle(const ControlSpec& control) {
    switch (control.kind) {
    case ControlKind::PushButton:
        return BS_PUSHBUTTON;
    case ControlKind::CheckBox:
        return BS_CHECKBOX;
    case ControlKind::AutoRadioButton:
        return BS_AUTORADIOBUTTON;
    case ControlKind::Static:
        return SS_LEFT | (Has(control, TraitNotify) ? SS_NOTIFY : 0) |
               (Has(control, TraitCentered) ? SS_CENTER : 0);
    case ControlKind::ListBox:
        return (Has(control, TraitNotify) ? LBS_NOTIFY : 0) | (Has(control, TraitSorted) ? LBS_SORT : 0) |
               (Has(control, TraitHasStrings) ? LBS_HASSTRINGS : 0);
    case ControlKind::Edit:
        return (Has(control, TraitNoHideSel) ? ES_NOHIDESEL : 0) |
               (Has(control, TraitPassword) ? ES_PASSWORD : 0);
    }
    return 0;
}

const wchar_t* ClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Static:
        return L"STATIC";
    case ControlKind::ListBox:
        return L"LISTBOX";
    case ControlKind::Edit:
        return L"EDIT";
    default:
        return L"BUTTON";
    }
}

} // namespace

Win32Style StyleOf(const ControlSpec& control) {
    DWORD style = WS_CHILD | KindStyle(control);
    if (control.visible)
        style |= WS_VISIBLE;
    if (Has(control, TraitBorder))
        style |= WS_BORDER;
    if (Has(control, TraitVScroll))
        style |= WS_VSCROLL;
    if (Has(control, TraitTabStop))
        style |= WS_TABSTOP;
    DWORD extended = 0;
    if (Has(control, TraitStaticEdge))
        extended |= WS_EX_STATICEDGE;
    if (Has(control, TraitClientEdge))
        extended |= WS_EX_CLIENTEDGE;
    return {ClassOf(control.kind), style, extended};
}

} // namespace kestrel
