#pragma once

#include "ports/token_command.h"

#include <string>
#include <vector>

namespace kestrel {

// The words of a command line as a shell would split it, without running one: blanks separate,
// '…' keeps everything, "…" keeps all but \" and \\, a backslash outside quotes keeps the next
// character. No variables, globs or redirections.
std::vector<std::string> SplitCommandLine(const std::string& line);

TokenAnswer RunTokenCommand(const std::string& command, int limitMs);

} // namespace kestrel
