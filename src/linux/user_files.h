#pragma once

#include <filesystem>

namespace kestrel {

// $XDG_CONFIG_HOME, or ~/.config when that is not set.
std::filesystem::path ConfigHome(const char* configHome, const char* home);

// kestrel.ini in $XDG_CONFIG_HOME/kestrel/, or ~/.config/kestrel/ when that is not set.
std::filesystem::path SettingsLocation(const char* configHome, const char* home);

// One running kestrel per user: a lock on a file in $XDG_RUNTIME_DIR (or the temporary folder),
// held while the object lives. A second start finds it taken.
class InstanceLock {
  public:
    explicit InstanceLock(const std::filesystem::path& file);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;
    bool Held() const { return held_; }

  private:
    int descriptor_ = -1;
    bool held_ = false;
};

std::filesystem::path InstanceLockLocation(const char* runtimeDir);

} // namespace kestrel
