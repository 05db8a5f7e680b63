#include "win32/win32_edit_filter.h"

namespace kestrel {

namespace {

// The fields belong to the one main window; their procedure finds the filter here.
Win32EditFilter* current = nullptr;

} // namespace

Win32EditFilter::~Win32EditFilter() {
    if (current == this)
        current = nullptr;
}

void Win32EditFilter::Install(ControlName control, const std::string& refusedBytes) {
    current = this;
    const auto index = static_cast<size_t>(control);
    refusedBytes_[index] = refusedBytes;
    editProcedures_[index] = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(handles_.children[index], GWLP_WNDPROC,
                          reinterpret_cast<LONG_PTR>(FilteringEditProcedure)));
}

LRESULT CALLBACK Win32EditFilter::FilteringEditProcedure(HWND edit, UINT message, WPARAM w,
                                                         LPARAM l) {
    for (size_t i = 0; current && i < ControlCount; ++i) {
        if (current->handles_.children[i] == edit)
            return current->FilterEdit(i, message, w, l);
    }
    return DefWindowProcA(edit, message, w, l);
}

// Typed characters, pasted text and set text all lose the refused bytes.
LRESULT Win32EditFilter::FilterEdit(size_t control, UINT message, WPARAM w, LPARAM l) {
    const std::string& refused = refusedBytes_[control];
    auto withoutRefused = [&](const char* text) {
        std::string kept;
        for (const char* p = text; p && *p; ++p) {
            if (refused.find(*p) == std::string::npos)
                kept += *p;
        }
        return kept;
    };
    const WNDPROC own = editProcedures_[control];
    HWND edit = handles_.children[control];
    switch (message) {
    case WM_CHAR:
        if (refused.find(static_cast<char>(w)) != std::string::npos)
            return 0;
        break;
    case WM_SETTEXT: {
        const std::string kept = withoutRefused(reinterpret_cast<const char*>(l));
        return CallWindowProcA(own, edit, message, w, reinterpret_cast<LPARAM>(kept.c_str()));
    }
    case WM_PASTE: {
        std::string kept;
        if (OpenClipboard(edit)) {
            if (HANDLE data = GetClipboardData(CF_TEXT)) {
                kept = withoutRefused(static_cast<const char*>(GlobalLock(data)));
                GlobalUnlock(data);
            }
            CloseClipboard();
        }
        CallWindowProcA(own, edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kept.c_str()));
        return 0;
    }
    default:
        break;
    }
    return CallWindowProcA(own, edit, message, w, l);
}

} // namespace kestrel
