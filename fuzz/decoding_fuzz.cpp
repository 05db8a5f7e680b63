// Encoded words and the text decoders. Decoding only ever shortens a value: each word loses
// its frame and its encoding, ISO-2022-JP loses its escapes, and a run of words of another set
// is converted only when its text comes out no longer than the run. Natively the other sets go
// through glibc's iconv, so the fuzzer reaches it with names from the dictionary.
#include "message/decoding.h"
#include "text/conversion.h"

#include <string_view>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    try {
        const std::string decoded = DecodeEncodedWords(value);
        if (decoded.size() > value.size() || decoded.find('\0') != std::string::npos)
            __builtin_trap();
    } catch (const ConvertError&) { // a Q escape that is no hexadecimal number
    }
    if (JisToShiftJis(value).size() > value.size())
        __builtin_trap();
    return 0;
}
