// Text to date-time values with explicit format settings, independent of the process locale.
// The order of day, month and year follows the set's ShortDateFormat; the numbers are separated
// by its DateSeparator (two numbers mean the current year); a time is h[:n[:s[<decimal>z]]] with
// its TimeSeparator and DecimalSeparator, optionally followed by the AM / PM word. Blanks around
// the numbers are allowed. Two-digit years follow TwoDigitYearCenturyWindow.
#pragma once

#include <string_view>

#include "common/date_time.h"
#include "format/format_settings.h"

namespace kvr::format {

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings);
bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);
// A date, a time, or a date followed by a time.
bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings);

// Raise EConvertError "'<text>' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(std::string_view text, const TFormatSettings& settings);
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings);
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings);

}  // namespace kvr::format
