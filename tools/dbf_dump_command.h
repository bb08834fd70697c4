// kvrhost dbf FILE [--ansi]: a readable dump of a DBF file.
#pragma once

#include <ostream>
#include <string>

namespace kvr::host {

// Returns the exit status: 0, 1 when the file cannot be read as a DBF file, 2 when this build
// has no DBF layer.
int DumpDbfCommand(const std::string& file, bool ansi, std::ostream& out, std::ostream& err);

}  // namespace kvr::host
