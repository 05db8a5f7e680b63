// Addresses and address lists: parsing raises nothing but its one parse error, and the display
// text of what was parsed can be built.
#include "message/email_address.h"

#include <string_view>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    EmailAddress item;
    try {
        item.SetText(value);
        (void)item.Text();
    } catch (const AddressParseError&) {
    }
    EmailAddressList list;
    try {
        ParseAddressList(value, list);
    } catch (const AddressParseError&) {
    }
    for (const EmailAddress& each : list)
        (void)each.Text();
    return 0;
}
