// A readable dump of a DBF file for people checking an export: header (level, date, code
// page mark, record count), the fields, and the records as a table, all in UTF-8. Text is
// decoded from code page 866 (OEM, the default) or Windows-1251 (ANSI); deleted records are
// marked with '*'.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace kvr {

enum class DumpEncoding { kOem, kAnsi };

// Reads the file and writes the dump. File and format errors raise (EFOpenError for a
// missing file, Exception with the DBF layer's message for a broken one).
void DumpDBFFile(std::string_view file_name, DumpEncoding encoding, std::ostream& out);
// The same for a file image already in memory.
void DumpDBFImage(std::string image, DumpEncoding encoding, std::ostream& out);

}  // namespace kvr
