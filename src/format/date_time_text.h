// Date-time values to text with explicit format settings, independent of the process locale.
//
// Pattern language (letters in either case):
//   d dd ddd dddd   day, zero-padded day, short / long day name;  ddddd dddddd  short / long date
//   m mm mmm mmmm   month, zero-padded, short / long name (after h or hh: minutes)
//   yy yyyy         two- or four-digit year
//   h hh  n nn  s ss   hours, minutes, seconds (the doubled forms zero-padded)
//   z zzz           milliseconds (zzz and longer: three digits)
//   t tt            short / long time format;  c  short date and, when not midnight, long time
//   am/pm a/p       12-hour clock with the pattern's own letters; ampm: the set's AM / PM words
//   /  :            the set's date / time separator;   "..." '...'  literal text
#pragma once

#include <string>
#include <string_view>

#include "common/date_time.h"
#include "format/format_settings.h"

namespace kvr::format {

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const TFormatSettings& settings);
// Appends to `out` (no allocation when `out` has the capacity): for hot paths such as logs.
void AppendFormatDateTime(std::string& out, std::string_view pattern, TDateTime value,
                          const TFormatSettings& settings);

// ShortDateFormat / LongTimeFormat / "c".
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

}  // namespace kvr::format
