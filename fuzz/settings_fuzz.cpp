// The settings file: whatever a file holds, reading it, writing what was read and reading that
// again gives the same settings, and the second file is the first one written again.
#include "settings/settings.h"

#include <string_view>

using namespace kestrel;

namespace {
struct Held {
    int32_t left = 1, top = 2, interfaceNumber = 3, speedStep = 4;
    AccountTable accounts;
    bool enabled = false;
    SettingsValues view() { return {left, top, interfaceNumber, speedStep, accounts, enabled}; }
    bool operator==(const Held& o) const {
        return left == o.left && top == o.top && interfaceNumber == o.interfaceNumber &&
               speedStep == o.speedStep && accounts == o.accounts && enabled == o.enabled;
    }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Held first;
    DecodeSettings(std::string_view(reinterpret_cast<const char*>(data), size), first.view());
    for (const AccountRecord& account : first.accounts) {
        for (const std::string* field : {&account.host, &account.user, &account.password})
            if (field->size() > static_cast<size_t>(AccountTextLimit))
                __builtin_trap();
    }
    const std::string written = EncodeSettings(first.view());
    Held second;
    DecodeSettings(written, second.view());
    // A field read from a file can hold neither byte the format cannot keep (0xF2 is a stored
    // terminator, 0xFF a stored zero), so everything read can be written back exactly.
    if (!(second == first) || EncodeSettings(second.view()) != written)
        __builtin_trap();
    return 0;
}
