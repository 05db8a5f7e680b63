#include "linux/display_check.h"

#include <filesystem>
#include <string_view>

namespace kestrel {

namespace {

bool Set(const char* value) {
    return value != nullptr && *value != '\0';
}

bool Exists(const std::filesystem::path& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// A local X display (":1", ":1.0", "unix:1") has its socket; a remote one cannot be told.
bool XServerMayAnswer(std::string_view display, const std::string& socketDir) {
    if (display.starts_with("unix:"))
        display.remove_prefix(4);
    if (!display.starts_with(':'))
        return true;
    const std::string_view number = display.substr(1, display.find('.') - 1);
    return Exists(std::filesystem::path(socketDir) / ("X" + std::string(number)));
}

} // namespace

std::string MissingDisplay(const char* platform, const char* display, const char* wayland,
                           const char* runtimeDir, const std::string& socketDir) {
    const std::string_view chosen = Set(platform) ? platform : "";
    if (!chosen.empty() && !chosen.starts_with("xcb") && !chosen.starts_with("wayland"))
        return {}; // offscreen, or another platform of Qt's: it knows
    if (Set(wayland) && !chosen.starts_with("xcb")) {
        const std::filesystem::path socket =
            wayland[0] == '/' ? std::filesystem::path(wayland)
                              : std::filesystem::path(Set(runtimeDir) ? runtimeDir : "") / wayland;
        if (Exists(socket))
            return {};
    }
    if (Set(display) && !chosen.starts_with("wayland"))
        return XServerMayAnswer(display, socketDir)
                   ? std::string()
                   : "no display: no X server answers at DISPLAY " + std::string(display);
    if (Set(wayland) && !chosen.starts_with("xcb"))
        return "no display: no Wayland compositor at WAYLAND_DISPLAY " + std::string(wayland);
    return "no display: DISPLAY and WAYLAND_DISPLAY are not set";
}

} // namespace kestrel
