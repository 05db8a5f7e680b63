#include "settings/disk_settings_file.h"

#include <cstdio>
#include <fstream>
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

enum class NewFile { NotMade, NotWhole, Written };

// Makes a new file that only its owner may read, holding the content. One that could not be
// written whole (a full disk) is removed again.
NewFile WriteOwnerOnly(const std::filesystem::path& path, const std::string& content) {
    std::error_code error;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!out)
            return NewFile::NotMade;
        // It holds passwords: for its owner's eyes only, before anything is in it. (Windows
        // knows only the read-only bit from these, which stays off.)
        std::filesystem::permissions(
            path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write, error);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (out)
            return NewFile::Written;
    }
    std::filesystem::remove(path, error);
    return NewFile::NotWhole;
}

void Say(const std::string& text) {
    std::fputs(("kestrel: " + text + "\n").c_str(), stderr);
}

} // namespace

std::optional<std::string> DiskSettingsFile::Read() {
    // Whatever is in the file's place counts as a file this run may not replace, unless it
    // turns out to be one that can be read and written back.
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path_, error);
    keepUntouched_ = std::filesystem::exists(status);
    if (!std::filesystem::is_regular_file(status))
        return std::nullopt; // nothing there, or a pipe, a device, a folder: never opened
    // Opened for reading and writing: a file we could not write back counts as absent.
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string text(mostBytes_ + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));
    if (text.size() > mostBytes_)
        return std::nullopt;
    keepUntouched_ = false;
    original_ = text;
    return text;
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

bool DiskSettingsFile::KeepCopy(const std::filesystem::path& target) {
    for (int n = 1; n <= 99; ++n) {
        std::filesystem::path copy = target;
        copy += n == 1 ? ".bak" : ".bak" + std::to_string(n);
        std::error_code error;
        if (std::filesystem::exists(std::filesystem::symlink_status(copy, error)))
            continue;
        if (WriteOwnerOnly(copy, original_) != NewFile::Written)
            break;
        Say(path_.string() + " held settings kestrel could not keep as they were; the file as "
            "it was is kept as " + copy.string());
        return true;
    }
    Say(path_.string() + " held settings kestrel could not keep as they were, and no copy of "
        "it could be made beside it: it is left as it was, and this run's settings are lost");
    return false;
}

bool DiskSettingsFile::Write(const std::string& content) {
    if (keepUntouched_)
        return false;
    const std::filesystem::path target = Target();
    if (keepOriginal_) {
        if (!KeepCopy(target)) {
            keepUntouched_ = true;
            return false;
        }
        keepOriginal_ = false;
    }
    std::filesystem::path beside = target;
    beside += ".new";
    switch (WriteOwnerOnly(beside, content)) {
    case NewFile::NotMade: // nothing can be made beside it: the file itself is all there is
        return WriteWhole(target, content);
    case NewFile::NotWhole: // a full disk: the old file is worth more than a cut new one
        return false;
    case NewFile::Written:
        break;
    }
    std::error_code error;
    std::filesystem::rename(beside, target, error);
    if (!error)
        return true;
    std::filesystem::remove(beside, error);
    return WriteWhole(target, content);
}

} // namespace kestrel
