#pragma once

#include "ports/menus.h"
#include "win32/win32_handles.h"

namespace kestrel {

// Popup menus owned by the main window, and the message box.
class Win32Menus : public Menus {
  public:
    explicit Win32Menus(Win32Handles& handles) : handles_(handles) {}

    void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) override;
    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<SignInChoice> AskSignIn(const SignInForm& form) override;

  private:
    Win32Handles& handles_;
};

} // namespace kestrel
