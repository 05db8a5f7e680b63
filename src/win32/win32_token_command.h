#pragma once

#include "ports/token_command.h"

namespace kestrel {

// The command line goes to CreateProcessW as it is: the program parses its own arguments, as
// on Windows every program does.
TokenAnswer RunTokenCommand(const std::string& command, int limitMs);

} // namespace kestrel
