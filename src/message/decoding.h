#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Decodes the encoded words of a header value. Those whose character set begins with ISO or
// WINDOWS are decoded first, to their bytes as they stand (ISO-2022-JP to Shift_JIS); the words
// of UTF-8 and of every set the platform converts (text/charsets.h) then become Windows-1252, '?'
// for a character it lacks. Others stay as they are. Zero bytes are removed. Ends on every
// input, and never makes a value longer.
std::string DecodeEncodedWords(std::string_view value);
// ISO-2022-JP text to Shift_JIS.
std::string JisToShiftJis(std::string_view bytes);

} // namespace kestrel
