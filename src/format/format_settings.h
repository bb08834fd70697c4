// Date, time and number format settings that are passed explicitly to every conversion that
// must give the same text on every machine, whatever the user's regional settings.
//
// A set starts from the user's regional settings and then has the fields that matter fixed:
//   LogFormatSettings  "dd/mm/yyyy"  "hh:nn:ss.zzz"   '.' ':' '.'   07.12.2026 13:18:46.123
//   IniFormatSettings  "dd.mm.yyyy"  "hh:nn:ss.zzzz"  '.' ':' '.'   07.12.2026 13:18:46.123
//   SqlFormatSettings  "yyyy/mm/dd"  "hh:nn:ss.zzz"   '-' ':' '.'   2026-12-07 13:18:46.123
//   USFormatSettings   "mm/dd/yyyy"  "hh:nn:ss ampm"  '/' ':' (regional) 12/07/2026 01:18:46 PM
// In a pattern '/' stands for the set's date separator and ':' for its time separator.
//
// The sets are built on first use (the library touches them while it loads, so that they are
// ready before any export runs) and are read-only afterwards; any thread may read them.
#pragma once

#include <array>
#include <string>

#include "platform/regional_settings.h"

namespace kvr::format {

struct TFormatSettings {
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  std::string ShortDateFormat = "mm/dd/yyyy";
  std::string LongDateFormat = "mm/dd/yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};
  // Two-digit years are placed within this many years before or after the current year
  // (50: "26" is 2026, "90" is 1990 when read in 2026).
  int TwoDigitYearCenturyWindow = 50;
};

// A set built from regional settings (the process's default format settings).
TFormatSettings FormatSettingsFrom(const platform::RegionalSettings& regional);
// The process's default format settings: the user's regional settings, read once.
const TFormatSettings& DefaultFormatSettings();

// The four fixed sets, each built from `regional` with its own fields overridden.
TFormatSettings MakeLogFormatSettings(const platform::RegionalSettings& regional);
TFormatSettings MakeIniFormatSettings(const platform::RegionalSettings& regional);
TFormatSettings MakeSqlFormatSettings(const platform::RegionalSettings& regional);
TFormatSettings MakeUSFormatSettings(const platform::RegionalSettings& regional);

// The process-wide sets, built once from the user's regional settings.
const TFormatSettings& LogFormatSettings();
const TFormatSettings& IniFormatSettings();
const TFormatSettings& SqlFormatSettings();
const TFormatSettings& USFormatSettings();

// Builds every set now (called while the library loads, so no export pays for it later).
void InitializeFormatSettings();

}  // namespace kvr::format
