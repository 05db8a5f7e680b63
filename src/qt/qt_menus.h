#pragma once

#include "ports/menus.h"
#include "qt/qt_shell.h"

namespace kestrel {

// Popup menus and the message box as Qt's own, in the desktop's menu font.
class QtMenus : public Menus {
  public:
    explicit QtMenus(QtShell& shell) : shell_(shell) {}

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<SignInChoice> AskSignIn(const SignInForm& form) override;

  private:
    QtShell& shell_;
};

} // namespace kestrel
