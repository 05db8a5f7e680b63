#include "fake/fake_menus.h"

#include "fake/fake_desktop.h"

namespace kestrel {

void FakeMenus::ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) {
    desk_.log.push_back("menu " + std::to_string(items.front().id));
    desk_.menus.push_back({items, topLeft});
}

void FakeMenus::ShowMessage(const std::string& text, const std::string& caption) {
    desk_.log.push_back("message " + text);
    desk_.messages.push_back({text, caption});
}

} // namespace kestrel
