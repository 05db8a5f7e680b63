#include "settings/disk_settings_file.h"

#include <fstream>
#include <iterator>
#include <system_error>

namespace kestrel {

std::optional<std::string> DiskSettingsFile::Read() {
    // Opened for reading and writing: a file we could not write back counts as absent.
    std::fstream file(path_, std::ios::in | std::ios::out | std::ios::binary);
    if (!file)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool DiskSettingsFile::Write(const std::string& content) {
    std::filesystem::path beside = path_;
    beside += ".new";
    {
        std::ofstream out(beside, std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        out.flush();
        if (!out) {
            out.close();
            std::error_code ignored;
            std::filesystem::remove(beside, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(beside, path_, error);
    if (error) {
        std::filesystem::remove(beside, error);
        return false;
    }
    return true;
}

} // namespace kestrel
