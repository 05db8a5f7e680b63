// The record of announced mail: whatever a file holds, what is read is written back so that
// reading it again gives the same record, and writing that gives the same file.
#include "mail/announced_state.h"

#include <string_view>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::optional<AnnouncedTable> first =
        DecodeAnnounced(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!first)
        return 0;
    const std::string written = EncodeAnnounced(*first);
    const std::optional<AnnouncedTable> second = DecodeAnnounced(written);
    if (!second || *second != *first || EncodeAnnounced(*second) != written)
        __builtin_trap();
    return 0;
}
