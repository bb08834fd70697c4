#include "format/date_time_parse.h"

#include <cctype>
#include <cmath>

#include "common/exceptions.h"
#include "platform/clock.h"

namespace kvr::format {
namespace {

enum class DateOrder { kMDY, kDMY, kYMD };

DateOrder OrderOf(std::string_view pattern) {
  for (char c : pattern) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
      case 'Y': return DateOrder::kYMD;
      case 'M': return DateOrder::kMDY;
      case 'D': return DateOrder::kDMY;
      default: break;
    }
  }
  return DateOrder::kMDY;
}

// A cursor over the text being read.
class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  std::size_t pos() const { return pos_; }
  void set_pos(std::size_t pos) { pos_ = pos; }
  bool AtEnd() {
    SkipBlanks();
    return pos_ >= text_.size();
  }

  // Up to four digits after optional blanks; `digits` receives how many were read.
  bool Number(int& value, int& digits) {
    SkipBlanks();
    value = 0;
    digits = 0;
    while (pos_ < text_.size() && digits < 4 &&
           std::isdigit(static_cast<unsigned char>(text_[pos_]))) {
      value = value * 10 + (text_[pos_++] - '0');
      ++digits;
    }
    return digits > 0;
  }

  bool Char(char c) {
    SkipBlanks();
    if (c == '\0' || pos_ >= text_.size() || text_[pos_] != c) return false;
    ++pos_;
    return true;
  }

  bool Word(std::string_view word) {
    SkipBlanks();
    if (word.empty() || text_.size() - pos_ < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
      if (std::toupper(static_cast<unsigned char>(text_[pos_ + i])) !=
          std::toupper(static_cast<unsigned char>(word[i])))
        return false;
    pos_ += word.size();
    return true;
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() && text_[pos_] == ' ') ++pos_;
  }
  std::string_view text_;
  std::size_t pos_ = 0;
};

int FullYear(int year, int digits, const TFormatSettings& s) {
  if (digits > 2) return year;
  const int current = DecodeDate(platform::Now()).year;
  const int base = current - s.TwoDigitYearCenturyWindow;
  year += base / 100 * 100;
  if (s.TwoDigitYearCenturyWindow > 0 && year < base) year += 100;
  return year;
}

bool ScanDate(Scanner& in, TDateTime& value, const TFormatSettings& s) {
  int n1, n2, n3, l1, l2, l3 = 0;
  if (!in.Number(n1, l1) || !in.Char(s.DateSeparator) || !in.Number(n2, l2)) return false;
  const DateOrder order = OrderOf(s.ShortDateFormat);
  int year, month, day, year_digits = 4;
  if (in.Char(s.DateSeparator)) {
    if (!in.Number(n3, l3)) return false;
    switch (order) {
      case DateOrder::kMDY:
        month = n1;
        day = n2;
        year = n3;
        year_digits = l3;
        break;
      case DateOrder::kDMY:
        day = n1;
        month = n2;
        year = n3;
        year_digits = l3;
        break;
      default:
        year = n1;
        month = n2;
        day = n3;
        year_digits = l1;
        break;
    }
    year = FullYear(year, year_digits, s);
  } else {
    year = DecodeDate(platform::Now()).year;
    if (order == DateOrder::kDMY) {
      day = n1;
      month = n2;
    } else {
      month = n1;
      day = n2;
    }
  }
  return TryEncodeDate(year, month, day, value);
}

bool ScanTime(Scanner& in, TDateTime& value, const TFormatSettings& s) {
  int base_hour = -1;
  if (in.Word(s.TimeAMString) || in.Word("AM"))
    base_hour = 0;
  else if (in.Word(s.TimePMString) || in.Word("PM"))
    base_hour = 12;
  int hour, minute = 0, second = 0, msec = 0, digits;
  if (!in.Number(hour, digits)) return false;
  if (in.Char(s.TimeSeparator)) {
    if (!in.Number(minute, digits)) return false;
    if (in.Char(s.TimeSeparator)) {
      if (!in.Number(second, digits)) return false;
      if (in.Char(s.DecimalSeparator) && !in.Number(msec, digits)) return false;
    }
  }
  if (base_hour < 0) {
    if (in.Word(s.TimeAMString) || in.Word("AM"))
      base_hour = 0;
    else if (in.Word(s.TimePMString) || in.Word("PM"))
      base_hour = 12;
  }
  if (base_hour >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += base_hour;
  }
  return TryEncodeTime(hour, minute, second, msec, value);
}

[[noreturn]] void NotValid(std::string_view text, const char* what) {
  throw EConvertError("'" + std::string(text) + "' is not a valid " + what);
}

}  // namespace

bool TryStrToDate(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(text);
  TDateTime v;
  if (!ScanDate(in, v, settings) || !in.AtEnd()) return false;
  value = v;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(text);
  TDateTime v;
  if (!ScanTime(in, v, settings) || !in.AtEnd()) return false;
  value = v;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& value, const TFormatSettings& settings) {
  Scanner in(text);
  TDateTime date = 0, time = 0;
  if (!ScanDate(in, date, settings)) {
    in.set_pos(0);
    if (!ScanTime(in, time, settings) || !in.AtEnd()) return false;
    value = time;
    return true;
  }
  if (!in.AtEnd() && (!ScanTime(in, time, settings) || !in.AtEnd())) return false;
  value = date < 0 ? date - time : date + time;
  return true;
}

TDateTime StrToDate(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDate(text, v, settings)) NotValid(text, "date");
  return v;
}
TDateTime StrToTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToTime(text, v, settings)) NotValid(text, "time");
  return v;
}
TDateTime StrToDateTime(std::string_view text, const TFormatSettings& settings) {
  TDateTime v;
  if (!TryStrToDateTime(text, v, settings)) NotValid(text, "date and time");
  return v;
}

}  // namespace kvr::format
