#pragma once

#include "mail/account.h"
#include "ports/settings_file.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The values kept in kestrel.ini. The periodic mail check is not stored: reading a file decides
// it from the accounts.
struct SettingsValues {
    int32_t windowLeft = 0;
    int32_t windowTop = 0;
    int32_t interfaceNumber = 0;
    int32_t speedStep = 0;
    AccountTable accounts;
    bool mailCheckEnabled = false;
    // The watched interface's identity and the name it is shown by; after the accounts, where
    // an older build stops reading, and only when known, so an older file reads back as it was.
    std::string interfaceIdentity{};
    std::string interfaceName{};
    // Accounts whose password the desktop's store keeps: the file holds none for them. Written
    // last, and only when one is, so an older build reads an empty password and the rest as
    // before.
    std::array<bool, 3> passwordsInStore{};
    bool operator==(const SettingsValues&) const = default;
};

// Complements every byte; its own inverse.
std::string ScrambleText(std::string_view text);

// Parser steps over the remaining text: each consumes its field and its terminator. A field
// keeps at most limit bytes.
int32_t ReadNumber(std::string_view& rest);
std::string ReadField(std::string_view& rest, size_t limit = AccountTextLimit);

std::string EncodeSettings(const SettingsValues& values);
// The values with what the text provides; everything else keeps its value. The text ends at a
// zero byte.
SettingsValues DecodeSettings(std::string_view text, SettingsValues values);

// The values with what the file provides; without a file, the values as they were.
SettingsValues LoadSettings(SettingsFile& file, SettingsValues values);
void WriteSettings(SettingsFile& file, const SettingsValues& values);

} // namespace kestrel
