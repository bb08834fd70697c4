// What kvrhost knows of each report before it calls the library: the parameters the
// library's dispatch converts, in their order and with their types, and the file the export
// writes. kvrhost checks a report's parameters against this table so that a mistake is told
// in the report's own terms ("report 6 needs: last shift, first shift") and nothing reaches
// the library.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "report_params.h"

namespace kvr::host {

enum class SlotKind {
  kDateTime,  // a date-time (or a day count written f:...)
  kInteger,   // a 32-bit integer
  kText,      // a text (an integer is taken as its digits)
  kAny,       // anything the library compares (element 1 of control command 1000)
};

struct ParamSlot {
  const char* name;
  SlotKind kind;
};

struct ReportShape {
  char code;
  int sub_code;           // element 0 of the "8" family and of "#"; 0 for the others
  const char* what;       // "cash receipts"
  const char* file_name;  // the export file, "ExportBCheck.dbf"; nullptr for the control command
  std::span<const ParamSlot> slots;  // every element the dispatch converts, element 0 first
  std::size_t required;              // how many of the slots must be given
};

// All reports, in the order of their codes, then control command 1000.
std::span<const ReportShape> AllReports();

// The report that `code` and the first parameter name. Raises UsageError for an unknown
// report code or sub-code.
const ReportShape& FindReport(char code, const std::vector<HostParam>& params);

// "report 6", "report 8 sub-code 4", "control command 1000".
std::string ReportLabel(const ReportShape& report);

// "last shift, first shift" or "begin, end, first number[, second number[, ...]]".
std::string SlotList(const ReportShape& report);

// Raises UsageError naming the report's parameters when their number or a type is wrong.
void CheckReportParams(const ReportShape& report, const std::vector<HostParam>& params);

}  // namespace kvr::host
