#pragma once

#include "ports/menus.h"

namespace kestrel {

class FakeDesktop;

// Menus and messages, kept in the order they were shown.
class FakeMenus : public Menus {
  public:
    explicit FakeMenus(FakeDesktop& desk) : desk_(desk) {}

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;

  private:
    FakeDesktop& desk_;
};

} // namespace kestrel
