// One run of kvrhost against the library: load it, hand over the host context, send the
// control command, run the report, and print what came back.
#pragma once

#include <ostream>

#include "command_line.h"

namespace kvr::host {

// The library kvrhost loads when no path is configured.
std::string DefaultLibraryPath();

// Returns the exit status (0 success, 1 the library reported a failure, 2 it cannot be loaded).
int RunSession(const Invocation& invocation, std::ostream& out, std::ostream& err);

}  // namespace kvr::host
