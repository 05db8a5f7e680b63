#pragma once

#include <array>
#include <string>

namespace kestrel {

struct AccountRecord {
    std::string host;
    std::string user;
    std::string password;
    bool active = false;
    bool operator==(const AccountRecord&) const = default;
};

// Accounts 1 to 3 live at indexes 0 to 2.
using AccountTable = std::array<AccountRecord, 3>;

} // namespace kestrel
