// The host options the exports ask on every use (no cache): the office-reports mode, the
// counterparty column, and the export settings read from "cnf.ini" in the Windows directory.
#pragma once

#include <string>

#include "reports/export_context.h"

namespace kvr {

// "cnf.ini" in the Windows directory (the directory text with one "\" appended).
std::string SettingsFilePath();

// With HostKind3: OfficeReportsAllowed and "OfficeReportsType" of section "Misc" (read only
// when allowed). Otherwise OfficeReportsAllowed and the host's answer to query 8.
bool OfficeReportsMode();
// With HostKind3: OfficeReportsMode(). Otherwise the host's answer to query 17.
bool KAColumnEnabled();

// The HostOptions an export context carries: the functions above, SaleLogMode,
// "PrihodOnly" and the payment-type catalogue.
reports::HostOptions MakeHostOptions();

}  // namespace kvr
