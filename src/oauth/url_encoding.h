#pragma once

#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

using FormFields = std::vector<std::pair<std::string, std::string>>;

// RFC 3986: every byte but the unreserved ones as %XX (upper-case hex).
std::string PercentEncode(std::string_view text);
// name=value pairs joined by '&', both sides percent-encoded: a query or a form body.
std::string FormBody(const FormFields& fields);
// A query or form body read back: '+' is a space, %XX a byte; a malformed escape is kept as
// it stands. A name given twice keeps its first value.
std::map<std::string, std::string> ReadQuery(std::string_view query);

} // namespace kestrel
