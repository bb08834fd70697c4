// kvrhost dbf: a DBF file shown as a table, as CSV (RFC 4180) or one field per line, read
// record by record (kvrhost dbf --help).
#pragma once

#include <ostream>
#include <string>
#include <string_view>

#include "command_line.h"
#include "dbf_stream.h"

namespace kvr::host {

// A field's value as CSV and the vertical layout show it: texts without trailing blanks,
// numbers without blanks, dates yyyy-mm-dd, logicals T or F; an empty field is empty.
// `raw` is the field's bytes, `decoded` appended to `out`.
class TextDecoder;
void AppendCellValue(const DbfColumn& column, std::string_view raw, TextDecoder& decoder,
                     std::string& out);

// Appends `value` as one RFC 4180 field (quoted when it holds a comma, quote, CR or LF).
void AppendCsvField(std::string_view value, std::string& out);

// Returns the exit status: 0; 1 when the file is not a readable DBF file; 2 when it cannot
// be opened.
int DumpDbfCommand(const DbfOptions& options, std::ostream& out, std::ostream& err);

}  // namespace kvr::host
