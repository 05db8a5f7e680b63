#include "app/shell_menus.h"

#include "app/application.h"

namespace kestrel {

namespace {
using enum MenuItemKind;
}

const std::vector<MenuItem>& TrayMenu() {
    static const std::vector<MenuItem> items{
        {CmdAbout, Text, "about"},
        {CmdGoOn, Text, "go on"},
        {CmdSeparator, Separator, ""},
        {CmdConfigMail, Text, "config mail"},
        {CmdSignIn, Text, "sign-in"},
        {CmdConfigKestrel, Text, "config kestrel"},
        {CmdExit, Text, "exit"},
    };
    return items;
}

const std::vector<MenuItem>& MailMenu() {
    static const std::vector<MenuItem> items{
        {CmdEscape, Text, "esc"},
        {CmdDeleteMail, Text, "delete"},
        {CmdMailClient, Text, "eMail-Client"},
    };
    return items;
}

const std::vector<MenuItem>& AboutMenu() {
    static const std::vector<MenuItem> items{{CmdAboutPicture, AboutPicture, ""}};
    return items;
}

void Application::ShowTrayMenu(Point pointer) {
    desktop_.menus.ShowPopupMenu(TrayMenu(), {pointer.x - MenuOffset, pointer.y - MenuOffset});
}

void Application::ShowMailMenu(Point pointer) {
    desktop_.menus.ShowPopupMenu(MailMenu(), {pointer.x - MenuOffset, pointer.y - MenuOffset});
}

void Application::ShowAbout() {
    const Point pointer = desktop_.window.PointerPosition();
    desktop_.menus.ShowPopupMenu(AboutMenu(),
                                 {pointer.x - AboutMenuOffset, pointer.y - AboutMenuOffset});
}

} // namespace kestrel
