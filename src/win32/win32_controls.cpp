#include "win32/win32_controls.h"

#include "win32/win32_scaling.h"
#include "text/utf8.h"
#include "win32/win32_styles.h"
#include "win32/win32_text.h"

namespace kestrel {

void Win32Controls::CreateControl(const ControlSpec& control) {
    const Win32Style style = StyleOf(control);
    const int s = handles_.scale;
    handles_.children[static_cast<size_t>(control.name)] = CreateWindowExW(
        style.extended, style.className, Wide(control.text).c_str(), style.style,
        ToDevice(control.rect.left, s), ToDevice(control.rect.top, s),
        ToDevice(control.rect.width, s), ToDevice(control.rect.height, s), handles_.window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), handles_.instance, nullptr);
}

void Win32Controls::ShowControl(ControlName control, bool shown) {
    ::ShowWindow(handles_.Child(control), shown ? SW_SHOWNORMAL : SW_HIDE);
}

void Win32Controls::SetText(ControlName control, const std::string& text) {
    SetWindowTextW(handles_.Child(control), Wide(text).c_str());
}

std::string Win32Controls::GetText(ControlName control, int maxUnits) {
    if (maxUnits <= 0)
        return {};
    // The whole text, so that a character's two halves are never parted at the limit.
    HWND child = handles_.Child(control);
    std::wstring buffer(static_cast<size_t>(GetWindowTextLengthW(child)) + 1, L'\0');
    const int length = GetWindowTextW(child, buffer.data(), static_cast<int>(buffer.size()));
    buffer.resize(static_cast<size_t>(length > 0 ? length : 0));
    return CutText(Utf8(buffer), std::string::npos, std::string::npos,
                   static_cast<size_t>(maxUnits - 1));
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
