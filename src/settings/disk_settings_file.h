#pragma once

#include "settings/settings.h"

#include <filesystem>

namespace kestrel {

// kestrel.ini on disk. Writing goes to a file beside it that is then renamed over it, so a
// crash or a full disk never leaves a cut or empty settings file. Where that cannot be done
// (no file can be made beside it, or the rename fails) the file is written in place. A file
// that exists but could not be opened for writing when it was read is never written: it may
// be kept read-only on purpose, and it holds what this run could not read. Only a regular file
// of at most MostBytes (or the bound given) is read; anything else in its place (a pipe, a
// device, a folder, a huge file) is never read and never written. The files kept beside
// kestrel.ini are written the same way.
class DiskSettingsFile : public SettingsFile {
  public:
    // Far more than kestrel ever writes (about 500 bytes), and still small.
    static constexpr size_t MostBytes = 64 * 1024;

    explicit DiskSettingsFile(std::filesystem::path path, size_t mostBytes = MostBytes)
        : path_(std::move(path)), mostBytes_(mostBytes) {}
    std::optional<std::string> Read() override;
    // The copy goes beside the file, as kestrel.ini.bak or, when that exists, the first free
    // of kestrel.ini.bak2, .bak3, ...: an older copy is never replaced. A file whose copy cannot
    // be made is not written.
    void KeepOriginal() override { keepOriginal_ = true; }
    bool Write(const std::string& content) override;

  private:
    // The file itself: where a symbolic link points, the file at its end.
    std::filesystem::path Target() const;
    bool KeepCopy(const std::filesystem::path& target);

    std::filesystem::path path_;
    size_t mostBytes_;
    bool keepUntouched_ = false;
    bool keepOriginal_ = false;
    std::string original_; // as read
};

} // namespace kestrel
