#include "win32/win32_menus.h"

#include "win32/win32_scaling.h"

namespace kestrel {

void Win32Menus::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    HMENU menu = CreatePopupMenu();
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItemKind::Text:
            AppendMenuA(menu, MF_STRING, item.id, item.text.c_str());
            break;
        case MenuItemKind::Separator:
            AppendMenuA(menu, MF_SEPARATOR, item.id, "");
            break;
        case MenuItemKind::AboutPicture:
            AppendMenuA(menu, MF_BITMAP, item.id,
                        reinterpret_cast<LPCSTR>(handles_.pictures.about));
            break;
        }
    }
    // Flags 0: the choice arrives as a posted WM_COMMAND once the menu has closed.
    TrackPopupMenu(menu, 0, ToDevice(topLeft.x, handles_.scale), ToDevice(topLeft.y, handles_.scale),
                   0, handles_.window, nullptr);
    DestroyMenu(menu);
}

void Win32Menus::ShowMessage(const std::string& text, const std::string& caption) {
    MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
}

} // namespace kestrel
