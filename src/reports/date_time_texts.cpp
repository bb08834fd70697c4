#include "reports/date_time_texts.h"

#include "format/date_time_text.h"
#include "format/format_settings.h"
#include "reports/export_sql.h"

namespace kvr::reports {

void DateTimeToUSText(TDateTime value, std::string& out) {
  const format::TFormatSettings& us = format::USFormatSettings();
  out.clear();
  format::AppendFormatDateTime(out, us.ShortDateFormat, value, us);
  out += ' ';
  format::AppendFormatDateTime(out, us.LongTimeFormat, value, us);
}

void DateTimeToDotText(TDateTime value, std::string& out) {
  out.clear();
  format::AppendFormatDateTime(out, "dd/mm/yyyy hh:nn:ss", value, format::IniFormatSettings());
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
