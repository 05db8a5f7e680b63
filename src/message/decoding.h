#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Decodes the encoded words of a header value into UTF-8. The value's own bytes are read as
// UTF-8 where they are that, else as Windows-1252. Words whose character set begins with ISO or
// WINDOWS are decoded first, each where it stands (ISO-2022-JP through Shift_JIS); then the
// words of UTF-8 and of every set the platform converts (text/charsets.h). A word no one
// converts gives its bytes, read as the value's own. Zero bytes are removed. Ends on every
// input, and never makes a value more than three times as long.
std::string DecodeEncodedWords(std::string_view value);
// ISO-2022-JP text to Shift_JIS.
std::string JisToShiftJis(std::string_view bytes);

} // namespace kestrel
