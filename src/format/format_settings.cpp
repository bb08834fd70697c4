#include "format/format_settings.h"

namespace kvr::format {

TFormatSettings FormatSettingsFrom(const platform::RegionalSettings& regional) {
  TFormatSettings s;
  s.DateSeparator = regional.date_separator;
  s.TimeSeparator = regional.time_separator;
  s.DecimalSeparator = regional.decimal_separator;
  s.ThousandSeparator = regional.thousand_separator;
  s.ShortDateFormat = regional.short_date_format;
  s.LongDateFormat = regional.long_date_format;
  s.ShortTimeFormat = regional.short_time_format;
  s.LongTimeFormat = regional.long_time_format;
  s.TimeAMString = regional.am_word;
  s.TimePMString = regional.pm_word;
  return s;
}

namespace {

void SetDateTimeFormats(TFormatSettings& s, const char* date, const char* time) {
  s.ShortDateFormat = s.LongDateFormat = date;
  s.ShortTimeFormat = s.LongTimeFormat = time;
}

// The INI unit takes its texts from the library's resources; a separator is only replaced
// when its resource text is not empty.
struct IniResourceTexts {
  const char* date_format = "dd.mm.yyyy";
  const char* time_format = "hh:nn:ss.zzzz";
  const char* date_separator = ".";
  const char* time_separator = ":";
  const char* decimal_separator = ".";
};

}  // namespace

TFormatSettings MakeLogFormatSettings(const platform::RegionalSettings& regional) {
  TFormatSettings s = FormatSettingsFrom(regional);
  SetDateTimeFormats(s, "dd/mm/yyyy", "hh:nn:ss.zzz");
  s.DateSeparator = '.';
  s.TimeSeparator = ':';
  s.DecimalSeparator = '.';
  return s;
}

TFormatSettings MakeIniFormatSettings(const platform::RegionalSettings& regional) {
  constexpr IniResourceTexts kTexts;
  TFormatSettings s = FormatSettingsFrom(regional);
  SetDateTimeFormats(s, kTexts.date_format, kTexts.time_format);
  if (*kTexts.date_separator) s.DateSeparator = *kTexts.date_separator;
  if (*kTexts.time_separator) s.TimeSeparator = *kTexts.time_separator;
  if (*kTexts.decimal_separator) s.DecimalSeparator = *kTexts.decimal_separator;
  return s;
}

TFormatSettings MakeSqlFormatSettings(const platform::RegionalSettings& regional) {
  TFormatSettings s = FormatSettingsFrom(regional);
  SetDateTimeFormats(s, "yyyy/mm/dd", "hh:nn:ss.zzz");
  s.DateSeparator = '-';
  s.TimeSeparator = ':';
  s.DecimalSeparator = '.';
  return s;
}

TFormatSettings MakeUSFormatSettings(const platform::RegionalSettings& regional) {
  TFormatSettings s = FormatSettingsFrom(regional);
  SetDateTimeFormats(s, "mm/dd/yyyy", "hh:nn:ss ampm");
  s.DateSeparator = '/';
  s.TimeSeparator = ':';
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  return s;
}

namespace {
const platform::RegionalSettings& Regional() {
  static const platform::RegionalSettings regional = platform::UserRegionalSettings();
  return regional;
}
}  // namespace

// Each set is built once, on first use, from the regional settings read at that moment.
template <TFormatSettings (*Make)(const platform::RegionalSettings&)>
const TFormatSettings& BuiltOnce() {
  static const TFormatSettings settings = Make(Regional());
  return settings;
}

const TFormatSettings& DefaultFormatSettings() { return BuiltOnce<FormatSettingsFrom>(); }
const TFormatSettings& LogFormatSettings() { return BuiltOnce<MakeLogFormatSettings>(); }
const TFormatSettings& IniFormatSettings() { return BuiltOnce<MakeIniFormatSettings>(); }
const TFormatSettings& SqlFormatSettings() { return BuiltOnce<MakeSqlFormatSettings>(); }
const TFormatSettings& USFormatSettings() { return BuiltOnce<MakeUSFormatSettings>(); }

void InitializeFormatSettings() {
  DefaultFormatSettings();
  LogFormatSettings();
  IniFormatSettings();
  SqlFormatSettings();
  USFormatSettings();
}

}  // namespace kvr::format
