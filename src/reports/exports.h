// The export operations, one per report. Each writes its file in "C:\MOLT\EXPORT\"; the
// "8"-family exports return the bare name of the file written. Every failure is raised as
// "<export's context> -> <message> <# <class> #>".
#pragma once

#include <cstdint>
#include <string>

#include "common/date_time.h"
#include "reports/export_context.h"
#include "reports/payment_type_export.h"

namespace kvr::reports {

// "0": fuel sales (and the shop's goods sales when a shop directory is given).
void ExportSaleLog(const ExportContext& context, TDateTime begin, TDateTime end,
                   const std::string& shop_directory);
// "1": the tank event journal.
void ExportRezLog(const ExportContext& context, TDateTime begin, TDateTime end);
// "2": fuel receipts.
void ExportPrxLog(const ExportContext& context, TDateTime begin, TDateTime end);
// "6": tank states at the end of each shift from first_shift to last_shift.
void ExportRezEnd(const ExportContext& context, std::int32_t last_shift, std::int32_t first_shift);
// "8"/2: the office database's discount cards.
std::string ExportAllDscCards(const ExportContext& context);
// "8"/3: dispenser counters per shift.
std::string ExportTRKInfo(const ExportContext& context, std::int32_t first_shift,
                          std::int32_t last_shift);
// "8"/4: cash-register receipts.
std::string ExportBCheck(const ExportContext& context, TDateTime begin, TDateTime end);
// "8"/5: the discounts of each sale.
std::string ExportRsxDsc(const ExportContext& context, TDateTime begin, TDateTime end);

}  // namespace kvr::reports
