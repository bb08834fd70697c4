// The user's regional settings as the operating system reports them (the stand-in for
// GetLocaleFormatSettings): formats in the date-time pattern language of format/ ("dd", "mm",
// "yyyy", "hh", "nn", "ss", "ampm"), separators and AM/PM words.
// On Linux they come from the locale that LC_ALL / LC_TIME / LC_NUMERIC name in the environment;
// parts the locale leaves out keep the values of the "C" locale.
#pragma once

#include <string>

namespace kvr::platform {

struct RegionalSettings {
  std::string short_date_format = "mm/dd/yy";
  std::string long_date_format = "mm/dd/yy";
  std::string short_time_format = "hh:nn";
  std::string long_time_format = "hh:nn:ss";
  char date_separator = '/';
  char time_separator = ':';
  char decimal_separator = '.';
  char thousand_separator = ',';
  std::string am_word = "AM";
  std::string pm_word = "PM";
};

// Read once per call; cheap enough for start-up, not meant for hot paths.
RegionalSettings UserRegionalSettings();

}  // namespace kvr::platform
