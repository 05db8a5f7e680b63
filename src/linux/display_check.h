#pragma once

#include <string>

namespace kestrel {

// Why kestrel would find no display to show on, in a few words; empty where one may answer.
// Qt itself ends the program with a core dump there. Arguments are the environment's values
// (QT_QPA_PLATFORM, DISPLAY, WAYLAND_DISPLAY, XDG_RUNTIME_DIR), null where unset; socketDir is
// where local X servers listen.
std::string MissingDisplay(const char* platform, const char* display, const char* wayland,
                           const char* runtimeDir, const std::string& socketDir = "/tmp/.X11-unix");

} // namespace kestrel
