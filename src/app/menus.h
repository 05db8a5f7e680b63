#pragma once

#include "ports/menus.h"

#include <vector>

namespace kestrel {

enum MenuCommand {
    CmdConfigKestrel = 101,
    CmdAbout = 102,
    CmdGoOn = 103,
    CmdExit = 104,
    CmdSeparator = 105,
    CmdConfigMail = 106,
    CmdAboutPicture = 204,
    CmdDeleteMail = 301,
    CmdMailClient = 302,
    CmdEscape = 303,
};

// Items from top to bottom.
const std::vector<MenuItem>& TrayMenu();
const std::vector<MenuItem>& MailMenu();
const std::vector<MenuItem>& AboutMenu();

// How far up and left of the pointer each menu's top-left corner goes.
inline constexpr int MenuOffset = 5;
inline constexpr int AboutMenuOffset = 50;

} // namespace kestrel
