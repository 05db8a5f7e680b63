// The settings file: whatever a file holds, reading it, writing what was read and reading that
// again gives the same settings, and the second file is the first one written again.
#include "settings/settings.h"

#include <string_view>

using namespace kestrel;

namespace {
// Values to decode over, none of them what the empty text decodes to.
SettingsValues Before() {
    return {1, 2, 3, 4, {}, false};
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const SettingsValues first =
        DecodeSettings(std::string_view(reinterpret_cast<const char*>(data), size), Before());
    for (const AccountRecord& account : first.accounts) {
        for (const std::string* field : {&account.server.Text(), &account.user, &account.password})
            if (field->size() > static_cast<size_t>(AccountTextBytes))
                __builtin_trap();
    }
    const std::string written = EncodeSettings(first);
    const SettingsValues second = DecodeSettings(written, Before());
    // A field read from a file can hold neither byte the format cannot keep (0xF2 is a stored
    // terminator, 0xFF a stored zero) where it stands, and a text beyond 1252 is taken only
    // where its 1252 field could not hold it, so everything read can be written back exactly.
    if (!(second == first) || EncodeSettings(second) != written)
        __builtin_trap();
    return 0;
}
