#include "reports/date_time_texts.h"

#include "format/date_time_pattern.h"
#include "format/date_time_text.h"
#include "format/format_settings.h"
#include "reports/export_sql.h"

namespace kvr::reports {
namespace {

// Both forms are written for every date-time value of an export: their patterns are read
// once per process.
const format::DateTimePattern& USPattern() {
  static const format::DateTimePattern pattern = [] {
    const format::TFormatSettings& us = format::USFormatSettings();
    format::DateTimePattern p(us.ShortDateFormat, us);
    p.AddText(" ").Add(us.LongTimeFormat, us);
    return p;
  }();
  return pattern;
}

const format::DateTimePattern& DotPattern() {
  static const format::DateTimePattern pattern("dd/mm/yyyy hh:nn:ss", format::IniFormatSettings());
  return pattern;
}

}  // namespace

void DateTimeToUSText(TDateTime value, std::string& out) {
  out.clear();
  USPattern().AppendTo(out, value);
}

void DateTimeToDotText(TDateTime value, std::string& out) {
  out.clear();
  DotPattern().AppendTo(out, value);
}

std::string DateTimeToUSText(TDateTime value) {
  std::string out;
  DateTimeToUSText(value, out);
  return out;
}

std::string DateTimeToDotText(TDateTime value) {
  std::string out;
  DateTimeToDotText(value, out);
  return out;
}

std::string FormatSqlDateTime(bool with_milliseconds, TDateTime value) {
  return format::FormatDateTime(
      with_milliseconds ? "yyyy/mm/dd hh:nn:ss.zzz" : "yyyy/mm/dd hh:nn:ss", value,
      format::SqlFormatSettings());
}

}  // namespace kvr::reports
