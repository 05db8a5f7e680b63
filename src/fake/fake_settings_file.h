#pragma once

#include "ports/settings_file.h"

namespace kestrel {

class FakeSettingsFile : public SettingsFile {
  public:
    std::optional<std::string> content; // nothing: no file
    int writes = 0;
    bool keepOriginal = false;
    std::optional<std::string> kept; // the copy of what was replaced, when one was asked for

    std::optional<std::string> Read() override { return content; }
    void KeepOriginal() override { keepOriginal = true; }
    bool Write(const std::string& text) override {
        if (keepOriginal && !kept)
            kept = content;
        content = text;
        ++writes;
        return true;
    }
};

} // namespace kestrel
