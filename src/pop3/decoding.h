#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Decodes the encoded words of a header value whose character set begins with ISO or WINDOWS;
// others stay as they are. Zero bytes are removed. Ends on every input.
std::string DecodeEncodedWords(std::string_view value);
// ISO-2022-JP text to Shift_JIS.
std::string JisToShiftJis(std::string_view bytes);

} // namespace kestrel
