#pragma once

#include "ports/geometry.h"
#include "ports/sign_in_form.h"

#include <optional>

#include <string>
#include <vector>

namespace kestrel {

enum class MenuItemKind { Text, Separator, AboutPicture };

struct MenuItem {
    int id;
    MenuItemKind kind;
    std::string text;
    bool operator==(const MenuItem&) const = default;
};

// What asks the user: popup menus and the message box.
class Menus {
  public:
    virtual ~Menus() = default;
    // Shown with the top-left corner at the point; a chosen item arrives later as a menu
    // command through WindowEvents::OnCommand.
    virtual void ShowPopupMenu(const std::vector<MenuItem>& items, Point topLeft) = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    // The sign-in dialog, modal: what the user confirmed, or nothing.
    virtual std::optional<SignInChoice> AskSignIn(const SignInForm& form) = 0;
};

} // namespace kestrel
