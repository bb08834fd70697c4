// The one reader of the date-time pattern language (see date_time_text.h), shared by the texts
// written at once (AppendFormatDateTime) and the patterns read once for texts written per row
// (DateTimePattern). The reader tells a sink, in order, what the pattern shows:
//
//   sink.Text(std::string_view)                    fixed text
//   sink.Number(DateTimeNumber, int least_digits)  a part of the value as a number
//   sink.Names(DateTimeName, const std::array<std::string, N>&)   the month's or weekday's name
//   sink.AmPm(std::string_view am, std::string_view pm)           by the hour
//   sink.WhenTimeOfDay(f)   what f adds, only when the time of day is not 0:00:00.000
//
// Internal to src/format.
#pragma once

#include <array>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/date_time.h"
#include "format/format_settings.h"

namespace kvr::format::detail {

enum class DateTimeNumber : std::uint8_t {
  kYear2,  // the year's last two digits
  kYear4,  // the year, at least four digits
  kMonth,
  kDay,
  kHour,    // 0..23
  kHour12,  // 1..12
  kMinute,
  kSecond,
  kMillisecond,
};
enum class DateTimeName : std::uint8_t { kMonth, kDay };

inline int NumberOf(DateTimeNumber number, const DateTimeParts& parts) {
  switch (number) {
    case DateTimeNumber::kYear2: return parts.date.year % 100;
    case DateTimeNumber::kYear4: return parts.date.year;
    case DateTimeNumber::kMonth: return parts.date.month;
    case DateTimeNumber::kDay: return parts.date.day;
    case DateTimeNumber::kHour: return parts.time.hour;
    case DateTimeNumber::kHour12: {
      const int hour = parts.time.hour % 12;
      return hour == 0 ? 12 : hour;
    }
    case DateTimeNumber::kMinute: return parts.time.minute;
    case DateTimeNumber::kSecond: return parts.time.second;
    case DateTimeNumber::kMillisecond: return parts.time.msec;
  }
  return 0;
}

// The index into the names of a month (0..11) or weekday (0..6, Sunday first).
inline int NameIndexOf(DateTimeName name, const DateTimeParts& parts) {
  return (name == DateTimeName::kMonth ? parts.date.month : parts.day_of_week) - 1;
}

inline bool HasTimeOfDay(const DateTimeParts& parts) {
  const TimeParts& t = parts.time;
  return t.hour != 0 || t.minute != 0 || t.second != 0 || t.msec != 0;
}

// The most characters PutNumber writes for an int with at most 4 least digits: a sign and
// ten digits.
constexpr std::size_t kNumberWidth = 11;

// Writes `value` with at least `min_digits` digits at `out`; returns the end.
inline char* PutNumber(char* out, int value, int min_digits) {
  if (value >= 0 && value < 100 && min_digits <= 2) {  // nearly every part of a date
    if (value >= 10 || min_digits == 2) *out++ = static_cast<char>('0' + value / 10);
    *out++ = static_cast<char>('0' + value % 10);
    return out;
  }
  if (value >= 1000 && value < 10000 && min_digits <= 4) {  // a year
    for (int k = 3; k >= 0; --k, value /= 10) out[k] = static_cast<char>('0' + value % 10);
    return out + 4;
  }
  char reversed[16];
  int n = 0;
  const bool negative = value < 0;
  unsigned v = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    reversed[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < min_digits) reversed[n++] = '0';
  if (negative) *out++ = '-';
  while (n > 0) *out++ = reversed[--n];
  return out;
}

inline char UpperAscii(char c) {
  return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

inline bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (UpperAscii(text[at + i]) != UpperAscii(prefix[i])) return false;
  return true;
}

// True when an AM/PM marker follows position `from` (outside quoted text): hours then use
// the 12-hour clock.
inline bool HasAmPmAfter(std::string_view pattern, std::size_t from) {
  for (std::size_t i = from; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\'' || c == '"') {
      const std::size_t close = pattern.find(c, i + 1);
      if (close == std::string_view::npos) return false;
      i = close;
      continue;
    }
    if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p") ||
        StartsWithNoCase(pattern, i, "ampm"))
      return true;
  }
  return false;
}

template <class Sink>
class DateTimeReader {
 public:
  DateTimeReader(Sink& sink, const TFormatSettings& settings) : sink_(sink), settings_(settings) {}

  // An empty pattern reads as "c". The settings' own formats are read where the pattern names
  // them, two levels deep at most (a set's formats may not refer to each other forever).
  void Read(std::string_view pattern, int depth = 0) {
    if (pattern.empty()) pattern = "c";
    char last_token = ' ';
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char c = pattern[i];
      char token = UpperAscii(c);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && last_token == 'H') token = 'N';
        last_token = token;
      }
      auto count_run = [&](char upper) {
        std::size_t n = 0;
        while (i < pattern.size() && UpperAscii(pattern[i]) == upper) ++i, ++n;
        return static_cast<int>(n);
      };
      switch (token) {
        case 'Y':
          if (count_run('Y') <= 2)
            sink_.Number(DateTimeNumber::kYear2, 2);
          else
            sink_.Number(DateTimeNumber::kYear4, 4);
          break;
        case 'M': {
          const int n = count_run('M');
          if (n <= 2)
            sink_.Number(DateTimeNumber::kMonth, n);
          else
            sink_.Names(DateTimeName::kMonth,
                        n == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames);
          break;
        }
        case 'D': {
          const int n = count_run('D');
          if (n <= 2)
            sink_.Number(DateTimeNumber::kDay, n);
          else if (n <= 4)
            sink_.Names(DateTimeName::kDay,
                        n == 3 ? settings_.ShortDayNames : settings_.LongDayNames);
          else
            Nested(n == 5 ? settings_.ShortDateFormat : settings_.LongDateFormat, depth);
          break;
        }
        case 'H': {
          const bool twelve = HasAmPmAfter(pattern, i);
          const int n = count_run('H');
          sink_.Number(twelve ? DateTimeNumber::kHour12 : DateTimeNumber::kHour, n <= 1 ? 1 : 2);
          break;
        }
        // 'n', or the 'm' that follows an hour
        case 'N':
          sink_.Number(DateTimeNumber::kMinute, count_run(UpperAscii(c)) <= 1 ? 1 : 2);
          break;
        case 'S': sink_.Number(DateTimeNumber::kSecond, count_run('S') <= 1 ? 1 : 2); break;
        case 'Z': sink_.Number(DateTimeNumber::kMillisecond, count_run('Z') <= 1 ? 1 : 3); break;
        case 'T':
          Nested(count_run('T') == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth);
          break;
        case 'C':
          count_run('C');
          Nested(settings_.ShortDateFormat, depth);
          sink_.WhenTimeOfDay([&] {
            sink_.Text(" ");
            Nested(settings_.LongTimeFormat, depth);
          });
          break;
        case 'A': i = AmPm(pattern, i); break;
        case '/':
          if (settings_.DateSeparator) sink_.Text({&settings_.DateSeparator, 1});
          ++i;
          break;
        case ':':
          if (settings_.TimeSeparator) sink_.Text({&settings_.TimeSeparator, 1});
          ++i;
          break;
        case '\'':
        case '"': {
          const std::size_t close = pattern.find(c, i + 1);
          const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
          sink_.Text(pattern.substr(i + 1, end - i - 1));
          i = close == std::string_view::npos ? end : close + 1;
          break;
        }
        default: sink_.Text(pattern.substr(i, 1)); ++i;
      }
    }
  }

 private:
  void Nested(std::string_view pattern, int depth) {
    if (depth < 2) Read(pattern, depth + 1);
  }

  std::size_t AmPm(std::string_view pattern, std::size_t i) {
    if (StartsWithNoCase(pattern, i, "am/pm")) {
      sink_.AmPm(pattern.substr(i, 2), pattern.substr(i + 3, 2));
      return i + 5;
    }
    if (StartsWithNoCase(pattern, i, "a/p")) {
      sink_.AmPm(pattern.substr(i, 1), pattern.substr(i + 2, 1));
      return i + 3;
    }
    if (StartsWithNoCase(pattern, i, "ampm")) {
      sink_.AmPm(settings_.TimeAMString, settings_.TimePMString);
      return i + 4;
    }
    sink_.Text(pattern.substr(i, 1));
    return i + 1;
  }

  Sink& sink_;
  const TFormatSettings& settings_;
};

}  // namespace kvr::format::detail
