// What kvrhost checks on the machine before it loads the library, so that a missing
// directory or database is one clear usage error instead of a failure deep in the library
// ("/GARVEN.FDB" when no database directory is known).
#pragma once

#include <optional>
#include <string>

#include "command_line.h"

namespace kvr::host {

// The station database directory the library will use: the one of --control (element 2)
// when not empty, else the answer to query 5 (--database-dir; only heard with InitReports).
std::optional<std::string> KnownDatabaseDir(const Invocation& invocation);

// Raises UsageError when the root directory, the station database directory, its
// GARVEN.FDB or the sale log's shop database directory is missing. Paths are mapped as the
// library maps them, so KVR_ROOT must be set first (UseRoot).
void CheckSurroundings(const Invocation& invocation);

// Sets KVR_ROOT for the library when --root is given.
void UseRoot(const HostSettings& settings);

}  // namespace kvr::host
