// Report "8"/1: the payment-type catalogue as "ExportVidOpl.dbf".
#pragma once

#include <string>

#include "reports/export_context.h"

namespace kvr::reports {

// Writes one record per catalogue row (VIDOPLNUM, VIDOPLNAME, CHECKTYPE) and returns the bare
// file name. An unassigned catalogue gives a file with the fields and no records.
std::string ExportVidOpl(const ExportContext& context);

}  // namespace kvr::reports
