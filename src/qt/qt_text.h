#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace kestrel {

// The core's text is UTF-8; Qt's is UTF-16. These two are the only crossing.
QString FromUtf8(std::string_view text);
std::string ToUtf8(const QString& text);

} // namespace kestrel
