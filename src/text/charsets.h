#pragma once

// The platform's character set converters: glibc's iconv on Linux, MultiByteToWideChar over a
// table of names on Windows. Header decoding (pop3/decoding.cpp) is their one user; they are
// declared here because this is the core room that the platform rooms may include.

#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

// The text of bytes in the character set of that name (as a mail names it, in any case), one
// code point each; U+FFFD for a byte that is no character of the set. Nothing when the platform
// does not know the set.
std::optional<std::u32string> CharsetToUnicode(std::string_view charset, std::string_view bytes);

} // namespace kestrel
