// Firebird's date and time numbers and TDateTime. ISC_DATE counts days from 17 November 1858
// (the modified Julian day), ISC_TIME counts ten-thousandths of a second since midnight.
// Decoding truncates to the millisecond, so a value never moves to a later second, minute or
// day than the one stored.
#pragma once

#include <cstdint>

#include "common/date_time.h"

namespace kvr::firebird {

// Days from 17 November 1858 to 30 December 1899 (TDateTime's day 0).
constexpr std::int32_t kIscDateOffset = 15018;
constexpr std::uint32_t kIscTimeUnitsPerMs = 10;

TDateTime DateTimeFromIsc(std::int32_t isc_date, std::uint32_t isc_time);
TDateTime DateFromIsc(std::int32_t isc_date);
TDateTime TimeFromIsc(std::uint32_t isc_time);

struct IscTimestamp {
  std::int32_t date = 0;
  std::uint32_t time = 0;
};
// Rounds to the nearest millisecond first (TDateTime keeps a double).
IscTimestamp IscFromDateTime(TDateTime value);

// A DATE or TIMESTAMP as one count of ISC_TIME units from the engine's day 0, a DATE counting as
// its midnight: keys order as the engine compares the values, to the full stored precision
// (which TDateTime, kept to the millisecond, does not keep).
constexpr std::int64_t kIscTimeUnitsPerDay = 864000000;
constexpr std::int64_t IscTimeKey(std::int32_t isc_date, std::uint32_t isc_time = 0) {
  return static_cast<std::int64_t>(isc_date) * kIscTimeUnitsPerDay + isc_time;
}

}  // namespace kvr::firebird
