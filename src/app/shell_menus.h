#pragma once

#include "app/identifiers.h"
#include "ports/menus.h"

#include <vector>

namespace kestrel {

// Items from top to bottom.
const std::vector<MenuItem>& TrayMenu();
const std::vector<MenuItem>& MailMenu();
const std::vector<MenuItem>& AboutMenu();

// How far up and left of the pointer each menu's top-left corner goes.
inline constexpr int MenuOffset = 5;
inline constexpr int AboutMenuOffset = 50;

} // namespace kestrel
