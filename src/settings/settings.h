#pragma once

#include "mail/account.h"
#include "ports/settings_file.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

// Complements every byte; its own inverse.
std::string ScrambleText(std::string_view text);

// Parser steps over the remaining text: each consumes its field and its terminator. A field
// keeps at most AccountTextLimit bytes.
int32_t ReadNumber(std::string_view& rest);
std::string ReadField(std::string_view& rest);

std::string EncodeSettings(const SettingsValues& values);
// Sets what the text provides; everything else keeps its value. The text ends at a zero byte.
void DecodeSettings(std::string_view text, const SettingsValues& values);

void LoadSettings(SettingsFile& file, const SettingsValues& values);
void WriteSettings(SettingsFile& file, const SettingsValues& values);

} // namespace kestrel
