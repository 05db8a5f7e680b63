#include "settings/disk_settings_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace kestrel {

namespace {

// Writes the whole content to path, replacing what was there.
bool WriteWhole(const std::filesystem::path& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.flush();
    return static_cast<bool>(out);
}

} // namespace

std::optional<std::string> DiskSettingsFile::Read() {
    // Opened for reading and writing: a file we could not write back counts as absent.
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    if (!file) {
        std::error_code ignored;
        keepUntouched_ = std::filesystem::exists(path_, ignored);
        return std::nullopt;
    }
    keepUntouched_ = false;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::filesystem::path DiskSettingsFile::Target() const {
    std::filesystem::path target = path_;
    std::error_code error;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, error); ++hops) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, error);
        if (error)
            break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

bool DiskSettingsFile::Write(const std::string& content) {
    if (keepUntouched_)
        return false;
    const std::filesystem::path target = Target();
    std::filesystem::path beside = target;
    beside += ".new";
    std::error_code error;
    {
        std::ofstream out(beside, std::ios::binary | std::ios::trunc);
        if (!out) // nothing can be made beside it: the file itself is all there is
            return WriteWhole(target, content);
        // It holds passwords: for its owner's eyes only, before anything is in it. (Windows
        // knows only the read-only bit from these, which stays off.)
        std::filesystem::permissions(
            beside, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
            error);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) { // a full disk: the old file is worth more than a cut new one
            out.close();
            std::filesystem::remove(beside, error);
            return false;
        }
    }
    std::filesystem::rename(beside, target, error);
    if (!error)
        return true;
    std::filesystem::remove(beside, error);
    return WriteWhole(target, content);
}

} // namespace kestrel
