#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

// The Exec value of a .desktop file's [Desktop Entry] group, as it stands; empty without one.
// It takes the place of the Windows registry's mailto command, under the same "%" and quoting
// rules.
std::string DesktopExecLine(std::string_view desktopFile);

// Where .desktop files are looked for, in order: $XDG_DATA_HOME (or ~/.local/share), then each
// of $XDG_DATA_DIRS (or /usr/local/share:/usr/share), each with /applications.
std::vector<std::filesystem::path> ApplicationDirectories(const char* dataHome, const char* home,
                                                          const char* dataDirs);

// The registered mailto handler's command: the desktop file that
// `xdg-mime query default x-scheme-handler/mailto` names (run without a shell), its Exec line.
// Empty when there is no handler.
std::string ReadXdgMailtoCommand();

} // namespace kestrel
