#include "win32/win32_styles.h"

namespace kestrel {

namespace {

bool Has(const ControlSpec& spec, ControlTrait trait) {
    return (spec.traits & trait) != 0;
}

DWORD KindStyle(const ControlSpec& spec) {
    switch (spec.kind) {
    case ControlKind::PushButton:
        return BS_PUSHBUTTON;
    case ControlKind::CheckBox:
        return BS_CHECKBOX;
    case ControlKind::AutoRadioButton:
        return BS_AUTORADIOBUTTON;
    case ControlKind::Static:
        return SS_LEFT | (Has(spec, TraitNotify) ? SS_NOTIFY : 0) |
               (Has(spec, TraitCentered) ? SS_CENTER : 0);
    case ControlKind::ListBox:
        return (Has(spec, TraitNotify) ? LBS_NOTIFY : 0) | (Has(spec, TraitSorted) ? LBS_SORT : 0) |
               (Has(spec, TraitHasStrings) ? LBS_HASSTRINGS : 0);
    case ControlKind::Edit:
        return (Has(spec, TraitNoHideSel) ? ES_NOHIDESEL : 0) |
               (Has(spec, TraitPassword) ? ES_PASSWORD : 0);
    }
    return 0;
}

const char* ClassOf(ControlKind kind) {
    switch (kind) {
    case ControlKind::Static:
        return "STATIC";
    case ControlKind::ListBox:
        return "LISTBOX";
    case ControlKind::Edit:
        return "EDIT";
    default:
        return "BUTTON";
    }
}

} // namespace

Win32Style StyleOf(const ControlSpec& spec) {
    DWORD style = WS_CHILD | KindStyle(spec);
    if (spec.visible)
        style |= WS_VISIBLE;
    if (Has(spec, TraitBorder))
        style |= WS_BORDER;
    if (Has(spec, TraitVScroll))
        style |= WS_VSCROLL;
    if (Has(spec, TraitTabStop))
        style |= WS_TABSTOP;
    DWORD extended = 0;
    if (Has(spec, TraitStaticEdge))
        extended |= WS_EX_STATICEDGE;
    if (Has(spec, TraitClientEdge))
        extended |= WS_EX_CLIENTEDGE;
    return {ClassOf(spec.kind), style, extended};
}

} // namespace kestrel
