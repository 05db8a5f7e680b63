#include "win32/win32_menus.h"

#include "win32/win32_scaling.h"
#include "win32/win32_sign_in_dialog.h"
#include "win32/win32_text.h"

namespace kestrel {

void Win32Menus::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    HMENU menu = CreatePopupMenu();
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItemKind::Text:
            AppendMenuW(menu, MF_STRING, item.id, Wide(item.text).c_str());
            break;
        case MenuItemKind::Separator:
            AppendMenuW(menu, MF_SEPARATOR, item.id, L"");
            break;
        case MenuItemKind::AboutPicture:
            AppendMenuW(menu, MF_BITMAP, item.id,
                        reinterpret_cast<LPCWSTR>(handles_.pictures.about));
            break;
        }
    }
    // Flags 0: the choice arrives as a posted WM_COMMAND once the menu has closed.
    TrackPopupMenu(menu, 0, ToDevice(topLeft.x, handles_.scale), ToDevice(topLeft.y, handles_.scale),
                   0, handles_.window, nullptr);
    DestroyMenu(menu);
}

std::optional<SignInChoice> Win32Menus::AskSignIn(const SignInForm& form) {
    return RunWin32SignInDialog(handles_, form);
}

void Win32Menus::ShowMessage(const std::string& text, const std::string& caption) {
    MessageBoxW(nullptr, Wide(text).c_str(), Wide(caption).c_str(), MB_OK);
}

} // namespace kestrel
