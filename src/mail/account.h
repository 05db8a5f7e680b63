#pragma once

#include "mail/server_field.h"

#include <array>
#include <string>

namespace kestrel {

// The most characters the account form takes for a server, user name or password.
inline constexpr int AccountTextLimit = 50;
// The most bytes of such a text in UTF-8: the form counts UTF-16 units, at most three bytes each.
inline constexpr int AccountTextBytes = 3 * AccountTextLimit;

struct AccountRecord {
    ServerField server;
    std::string user;
    std::string password;
    bool active = false;
    bool operator==(const AccountRecord&) const = default;
};

// Accounts 1 to 3 live at indexes 0 to 2.
using AccountTable = std::array<AccountRecord, 3>;

} // namespace kestrel
