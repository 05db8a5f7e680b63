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
    // The form shown is kept; the answer is the one the test scripted.
    std::optional<SignInChoice> AskSignIn(const SignInForm& form) override {
        desk_.log.push_back("sign-in form");
        desk_.signInForms.push_back(form);
        return desk_.signInAnswer;
    }

  private:
    FakeRecord& desk_;
};

} // namespace kestrel
