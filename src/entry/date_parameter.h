// Date-time elements of the host's parameter array, checked before an export uses them: a
// value that is not finite or lies outside the years 1 to 9999 would give an empty or
// arbitrary export reported as success, or a date text the database cannot hold.
#pragma once

#include <string_view>

#include "common/date_time.h"
#include "common/variant.h"

namespace kvr {

// 1 January of year 1 00:00 up to (not including) 1 January 10000 00:00.
bool IsValidDateTime(TDateTime value);

// Element `index` of `params` converted to a date-time. A value IsValidDateTime refuses raises
// Exception "Параметр %d (%s) не является датой с 1 по 9999 год: %s" with the index, `name`
// ("начало периода", "конец периода") and the value.
TDateTime DateTimeParameter(const Variant& params, int index, std::string_view name);

}  // namespace kvr
