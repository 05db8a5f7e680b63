// Encoded words and the text decoders. Decoding gives UTF-8 at most three times as long as the
// value: a byte of the value or of a word's text becomes at most three, and decoded text that
// holds further words is not decoded beyond that. Natively the other sets go through glibc's
// iconv, so the fuzzer reaches it with names from the dictionary.
#include "message/decoding.h"
#include "text/conversion.h"
#include "text/utf8.h"

#include <string_view>

using namespace kestrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    try {
        const std::string decoded = DecodeEncodedWords(value);
        if (decoded.size() > 3 * value.size() || decoded.find('\0') != std::string::npos ||
            !IsUtf8(decoded))
            __builtin_trap();
    } catch (const ConvertError&) { // a Q escape that is no hexadecimal number
    }
    if (JisToShiftJis(value).size() > value.size())
        __builtin_trap();
    return 0;
}
