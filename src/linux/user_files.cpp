#include "linux/user_files.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

namespace kestrel {

std::filesystem::path ConfigHome(const char* configHome, const char* home) {
    return configHome && *configHome ? std::filesystem::path(configHome)
                                     : std::filesystem::path(home ? home : "") / ".config";
}

std::filesystem::path SettingsLocation(const char* configHome, const char* home) {
    return ConfigHome(configHome, home) / "kestrel" / "kestrel.ini";
}

std::filesystem::path InstanceLockLocation(const char* runtimeDir) {
    if (runtimeDir && *runtimeDir)
        return std::filesystem::path(runtimeDir) / "kestrel.lock";
    return std::filesystem::temp_directory_path() /
           ("kestrel-" + std::to_string(getuid()) + ".lock");
}

InstanceLock::InstanceLock(const std::filesystem::path& file) {
    descriptor_ = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    held_ = descriptor_ >= 0 && flock(descriptor_, LOCK_EX | LOCK_NB) == 0;
}

InstanceLock::~InstanceLock() {
    if (descriptor_ >= 0)
        close(descriptor_); // and with it the lock
}

} // namespace kestrel
