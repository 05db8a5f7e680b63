#pragma once

#include "settings/settings.h"

#include <filesystem>

namespace kestrel {

// kestrel.ini on disk. Writing goes to a file beside it that is then renamed over it, so a
// crash or a full disk never leaves a cut or empty settings file. Where that cannot be done
// (no file can be made beside it, or the rename fails) the file is written in place. A file
// that exists but could not be opened for writing when it was read is never written: it may
// be kept read-only on purpose, and it holds what this run could not read.
class DiskSettingsFile : public SettingsFile {
  public:
    explicit DiskSettingsFile(std::filesystem::path path) : path_(std::move(path)) {}
    std::optional<std::string> Read() override;
    bool Write(const std::string& content) override;

  private:
    // The file itself: where a symbolic link points, the file at its end.
    std::filesystem::path Target() const;
    std::filesystem::path path_;
    bool keepUntouched_ = false;
};

} // namespace kestrel
