// The two text forms a date-time column is written in, and the SQL literal form.
//   DateTimeToUSText   12/07/2026 01:19:05 PM   (UseDBETime on)
//   DateTimeToDotText  07.12.2026 13:19:05      (UseDBETime off)
#pragma once

#include <string>

#include "common/date_time.h"

namespace kvr::reports {

std::string DateTimeToUSText(TDateTime value);
std::string DateTimeToDotText(TDateTime value);
// Replace the contents of `out` (its capacity is reused: no allocation per row).
void DateTimeToUSText(TDateTime value, std::string& out);
void DateTimeToDotText(TDateTime value, std::string& out);

}  // namespace kvr::reports
