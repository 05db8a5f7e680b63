#pragma once

// The core's text is UTF-8; Windows' W calls take UTF-16. These two are the only crossing.

#include <string>
#include <string_view>

namespace kestrel {

std::wstring Wide(std::string_view utf8);
std::string Utf8(std::wstring_view wide);

} // namespace kestrel
