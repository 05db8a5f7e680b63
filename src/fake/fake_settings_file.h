#pragma once

#include "ports/settings_file.h"

namespace kestrel {

class FakeSettingsFile : public SettingsFile {
  public:
    std::optional<std::string> content; // nothing: no file
    int writes = 0;

    std::optional<std::string> Read() override { return content; }
    bool Write(const std::string& text) override {
        content = text;
        ++writes;
        return true;
    }
};

} // namespace kestrel
