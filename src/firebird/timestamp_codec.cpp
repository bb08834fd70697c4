#include "firebird/timestamp_codec.h"

namespace kvr::firebird {

// TDateTime keeps dates before 30 December 1899 as negative day numbers with the time of day
// subtracted (-1.5 is 29 December 1899, 12:00), so days and time are joined as EncodeDateTime
// joins them.
TDateTime DateTimeFromIsc(std::int32_t isc_date, std::uint32_t isc_time) {
  const double days = static_cast<double>(static_cast<std::int64_t>(isc_date) - kIscDateOffset);
  const double time = static_cast<double>(isc_time / kIscTimeUnitsPerMs) / kMSecsPerDay;
  return days < 0 ? days - time : days + time;
}

TDateTime DateFromIsc(std::int32_t isc_date) { return DateTimeFromIsc(isc_date, 0); }

TDateTime TimeFromIsc(std::uint32_t isc_time) { return DateTimeFromIsc(kIscDateOffset, isc_time); }

IscTimestamp IscFromDateTime(TDateTime value) {
  const std::int64_t total = DateTimeToMSecs(value);
  const std::int64_t days = total / kMSecsPerDay;  // the date part truncates toward zero
  std::int64_t ms_of_day = total % kMSecsPerDay;
  if (ms_of_day < 0) ms_of_day = -ms_of_day;
  IscTimestamp out;
  out.date = static_cast<std::int32_t>(days + kIscDateOffset);
  out.time = static_cast<std::uint32_t>(ms_of_day) * kIscTimeUnitsPerMs;
  return out;
}

}  // namespace kvr::firebird
