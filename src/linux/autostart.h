#pragma once

// Starting kestrel when the user logs in, the freedesktop way: an entry in the autostart folder
// of the user's configuration, which every desktop that follows the XDG rules reads at login.

#include <filesystem>
#include <string>

namespace kestrel {

// $XDG_CONFIG_HOME/autostart/kestrel.desktop, or ~/.config/autostart/kestrel.desktop.
std::filesystem::path AutostartLocation(const char* configHome, const char* home);

// The entry that starts the program at that path, without its window ("quiet" would hide it,
// but a user who asks for kestrel at login wants to see it).
std::string AutostartEntry(const std::filesystem::path& program);

// Whether the entry is there and not switched off (Hidden=true, as desktops' own settings
// panels switch an entry off).
bool StartsAtLogin(const std::filesystem::path& entry);

// Writes the entry, or removes it: false, with the reason in error, when that failed.
bool SetStartAtLogin(const std::filesystem::path& entry, bool on,
                     const std::filesystem::path& program, std::string& error);

} // namespace kestrel
