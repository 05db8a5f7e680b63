#pragma once

#include "mail/account.h"

#include <cstdint>

namespace kestrel {

// The values kept in kestrel.ini, by reference to their owners.
struct SettingsValues {
    int32_t& windowLeft;
    int32_t& windowTop;
    int32_t& interfaceNumber;
    int32_t& speedStep;
    AccountTable& accounts;
    bool& mailCheckEnabled;
};

// Reading and writing kestrel.ini come with the settings codec; until then a start is always a
// first start and nothing is kept.
inline void LoadSettings(SettingsValues) {}
inline void WriteSettings(SettingsValues) {}

} // namespace kestrel
