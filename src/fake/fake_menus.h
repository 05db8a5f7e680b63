#pragma once

#include "fake/fake_record.h"
#include "ports/menus.h"

namespace kestrel {

// Menus and messages, kept in the order they were shown.
class FakeMenus : public Menus {
  public:
    explicit FakeMenus(FakeRecord& desk) : desk_(desk) {}

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override {
        desk_.log.push_back("menu " + std::to_string(items.front().id));
        desk_.menus.push_back({items, topLeft});
    }
    void ShowMessage(const std::string& text, const std::string& caption) override {
        desk_.log.push_back("message " + text);
        desk_.messages.push_back({text, caption});
    }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
