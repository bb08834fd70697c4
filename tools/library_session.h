// One run of kvrhost against the library: load it, hand over the host context, send the
// control command, run the report, and print what came back (as text or one JSON object).
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "command_line.h"

namespace kvr::host {

// The library kvrhost loads when no path is configured.
std::string DefaultLibraryPath();

// The export file a report writes, as the library maps it, and the record count its header
// states; nothing when the report writes no file or the file is not there.
struct ExportFileInfo {
  std::string path;
  std::uint32_t records = 0;
};
std::optional<ExportFileInfo> ExportFileOf(char code, const std::vector<HostParam>& params);

// Returns the exit status (0 success, 1 the library reported a failure, 2 it cannot be
// loaded). Results go to `out`, errors to `err`.
int RunSession(const Invocation& invocation, std::ostream& out, std::ostream& err);

}  // namespace kvr::host
