// Control command 1000: report code '#' with element 0 = 1000 sets the library-wide options
//   element 1: OfficeReportsAllowed := (element 1 = 0)
//   element 2: DatabaseDir, element 3: StationName (texts), element 4: SaleLogMode (integer),
// each only when present.
#pragma once

#include <cstdint>

#include "common/variant.h"

namespace kvr {

constexpr char kControlReportCode = '#';
constexpr std::int32_t kControlCommandOptions = 1000;

// True for '#' with element 0 = 1000. Raises when params is not an array or element 0 is
// missing or no integer (only for '#'; other codes are never control commands).
bool IsControlCommand(char report_code, const Variant& params);

void ApplyControlCommand(const Variant& params);

}  // namespace kvr
