#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kestrel {

// The core's text is Windows-1252 bytes; Qt's is Unicode. These two are the only crossing.
// Every byte has a character (the five bytes 1252 leaves open become the C1 controls of the same
// value, as Windows maps them), so bytes survive the round trip; a character 1252 lacks
// becomes "?".
QString FromCp1252(std::string_view bytes);
std::string ToCp1252(const QString& text);

} // namespace kestrel
