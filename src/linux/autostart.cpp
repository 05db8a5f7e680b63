#include "linux/autostart.h"

#include "linux/user_files.h"

#include <fstream>
#include <sstream>
#include <system_error>

namespace kestrel {

std::filesystem::path AutostartLocation(const char* configHome, const char* home) {
    return ConfigHome(configHome, home) / "autostart" / "kestrel.desktop";
}

namespace {

// A path with a space or a reserved character goes in double quotes, its \ " ` $ escaped; then
// every backslash is doubled once more, as any string value of a desktop entry.
std::string ExecArgument(const std::string& path) {
    if (path.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos)
        return path;
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '`' || c == '$' || c == '\\')
            quoted += "\\\\";
        quoted += c == '\\' ? std::string("\\\\") : std::string(1, c);
    }
    return quoted + "\"";
}

} // namespace

std::string AutostartEntry(const std::filesystem::path& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=kestrel\n"
           "Comment=Network traffic graph and mail watcher\n"
           "Exec=" +
           ExecArgument(program.string()) +
           "\n"
           "Icon=kestrel\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool StartsAtLogin(const std::filesystem::path& entry) {
    std::ifstream file(entry);
    if (!file)
        return false;
    for (std::string line; std::getline(file, line);) {
        if (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false")
            return false;
    }
    return true;
}

bool SetStartAtLogin(const std::filesystem::path& entry, bool on,
                     const std::filesystem::path& program, std::string& error) {
    std::error_code failure;
    if (!on) {
        std::filesystem::remove(entry, failure);
    } else {
        std::filesystem::create_directories(entry.parent_path(), failure);
        if (!failure) {
            std::ofstream file(entry, std::ios::binary | std::ios::trunc);
            file << AutostartEntry(program);
            file.close();
            if (!file)
                failure = std::make_error_code(std::errc::io_error);
        }
    }
    if (failure)
        error = entry.string() + ": " + failure.message();
    return !failure;
}

} // namespace kestrel
