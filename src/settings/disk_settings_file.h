#pragma once

#include "settings/settings.h"

#include <filesystem>

namespace kestrel {

// kestrel.ini on disk. Writing goes to a file beside it that is then renamed over it, so a
// crash or a full disk never leaves a cut or empty settings file.
class DiskSettingsFile : public SettingsFile {
  public:
    explicit DiskSettingsFile(std::filesystem::path path) : path_(std::move(path)) {}
    std::optional<std::string> Read() override;
    bool Write(const std::string& content) override;

  private:
    std::filesystem::path path_;
};

} // namespace kestrel
