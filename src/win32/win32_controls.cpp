#include "win32/win32_controls.h"

#include "win32/win32_scaling.h"
#include "win32/win32_styles.h"

namespace kestrel {

void Win32Controls::CreateControl(const ControlSpec& control) {
    const Win32Style style = StyleOf(control);
    const int s = handles_.scale;
    handles_.children[static_cast<size_t>(control.name)] = CreateWindowExA(
        style.extended, style.className, control.text.c_str(), style.style,
        ToDevice(control.rect.left, s), ToDevice(control.rect.top, s),
        ToDevice(control.rect.width, s), ToDevice(control.rect.height, s), handles_.window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), handles_.instance, nullptr);
    if (!control.refusedBytes.empty())
        filter_.Install(control.name, control.refusedBytes);
}

void Win32Controls::ShowControl(ControlName control, bool shown) {
    ::ShowWindow(handles_.Child(control), shown ? SW_SHOWNORMAL : SW_HIDE);
}

void Win32Controls::SetText(ControlName control, const std::string& text) {
    SetWindowTextA(handles_.Child(control), text.c_str());
}

std::string Win32Controls::GetText(ControlName control, int maxBytes) {
    if (maxBytes <= 0)
        return {};
    std::string buffer(static_cast<size_t>(maxBytes), '\0');
    const int length = GetWindowTextA(handles_.Child(control), buffer.data(), maxBytes);
    buffer.resize(static_cast<size_t>(length > 0 ? length : 0));
    return buffer;
}

void Win32Controls::SetChecked(ControlName control, bool checked) {
    handles_.SendToChild(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Win32Controls::IsChecked(ControlName control) {
    return handles_.SendToChild(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Win32Controls::Focus(ControlName control) {
    SetFocus(handles_.Child(control));
}

} // namespace kestrel
