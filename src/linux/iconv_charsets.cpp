// Character sets on Linux: glibc's iconv, which knows every name a mail is likely to use. The text
// comes out as UTF-32 and the core makes UTF-8 of it, so iconv's own idea of a
// replacement (//TRANSLIT differs between versions) never matters.
#include "text/charsets.h"

#include <iconv.h>

#include <cerrno>

namespace kestrel {

std::optional<std::u32string> CharsetToUnicode(std::string_view charset, std::string_view bytes) {
    const std::string name(charset);
    const iconv_t converter = iconv_open("UTF-32LE", name.c_str());
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    std::u32string text;
    std::string chunk(4096, '\0');
    char* in = const_cast<char*>(bytes.data()); // iconv's type; it does not write there
    size_t inLeft = bytes.size();
    const auto take = [&](const char* end) {
        for (const char* p = chunk.data(); p + 4 <= end; p += 4) {
            char32_t c = 0;
            for (int k = 3; k >= 0; --k)
                c = c << 8 | static_cast<unsigned char>(p[k]);
            text += c;
        }
    };
    for (bool flushed = false; !flushed;) {
        char* out = chunk.data();
        size_t outLeft = chunk.size();
        // With nothing left to read, one more call writes what a stateful set still holds.
        const size_t done = inLeft > 0 ? iconv(converter, &in, &inLeft, &out, &outLeft)
                                       : iconv(converter, nullptr, nullptr, &out, &outLeft);
        const int error = errno;
        take(out);
        if (done != static_cast<size_t>(-1)) {
            flushed = inLeft == 0 && out == chunk.data();
        } else if (inLeft == 0) {
            break; // the closing call failed: nothing is left to convert anyway
        } else if (error != E2BIG) {
            // A byte that starts no character, or a character cut off at the end: one
            // replacement, and on after the byte.
            text += U'\uFFFD';
            ++in, --inLeft;
            if (inLeft == 0)
                iconv(converter, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(converter);
    return text;
}

} // namespace kestrel
