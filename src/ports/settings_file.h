#pragma once

#include <optional>
#include <string>

namespace kestrel {

// Where the settings text is kept. The text is bytes, without line ends of its own.
class SettingsFile {
  public:
    virtual ~SettingsFile() = default;
    // The whole content, or nothing when the file cannot be opened for reading and writing.
    virtual std::optional<std::string> Read() = 0;
    // The content read is not what a write would put back (made or changed elsewhere): before
    // the first write replaces it, a copy of it is kept.
    virtual void KeepOriginal() = 0;
    // Replaces the content as one step: a failure leaves the old file as it was.
    virtual bool Write(const std::string& content) = 0;
};

} // namespace kestrel
