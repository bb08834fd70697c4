#include "format/date_time_text.h"

#include <cctype>

namespace kvr::format {
namespace {

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

bool StartsWithNoCase(std::string_view text, std::size_t at, std::string_view prefix) {
  if (text.size() - at < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (Upper(text[at + i]) != Upper(prefix[i])) return false;
  return true;
}

void AppendNumber(std::string& out, int value, int min_digits) {
  char buf[16];
  int n = 0;
  bool negative = value < 0;
  unsigned v = negative ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  while (n < min_digits) buf[n++] = '0';
  if (negative) out += '-';
  while (n > 0) out += buf[--n];
}

// True when an AM/PM marker follows position `from` (outside quoted text): hours then use
// the 12-hour clock.
bool HasAmPmAfter(std::string_view pattern, std::size_t from) {
  for (std::size_t i = from; i < pattern.size(); ++i) {
    char c = pattern[i];
    if (c == '\'' || c == '"') {
      std::size_t close = pattern.find(c, i + 1);
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

// DateTimePattern (date_time_pattern.cpp) reads patterns the same way, once, for texts written
// per row: a change to the pattern language here belongs there too (its tests compare both).
class DateTimeWriter {
 public:
  DateTimeWriter(std::string& out, TDateTime value, const TFormatSettings& settings)
      : out_(out), parts_(DecodeDateTime(value)), settings_(settings) {}

  void Write(std::string_view pattern, int depth) {
    if (pattern.empty()) pattern = "c";
    char last_token = ' ';
    std::size_t i = 0;
    while (i < pattern.size()) {
      const char c = pattern[i];
      char token = Upper(c);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && last_token == 'H') token = 'N';
        last_token = token;
      }
      auto count_run = [&](char upper) {
        std::size_t n = 0;
        while (i < pattern.size() && Upper(pattern[i]) == upper) ++i, ++n;
        return static_cast<int>(n);
      };
      switch (token) {
        case 'Y': {
          int n = count_run('Y');
          if (n <= 2)
            AppendNumber(out_, parts_.date.year % 100, 2);
          else
            AppendNumber(out_, parts_.date.year, 4);
          break;
        }
        case 'M': {
          int n = count_run('M');
          if (n <= 2)
            AppendNumber(out_, parts_.date.month, n);
          else
            Names(n == 3 ? settings_.ShortMonthNames : settings_.LongMonthNames,
                  parts_.date.month - 1);
          break;
        }
        case 'D': {
          int n = count_run('D');
          if (n <= 2)
            AppendNumber(out_, parts_.date.day, n);
          else if (n <= 4)
            Names(n == 3 ? settings_.ShortDayNames : settings_.LongDayNames,
                  parts_.day_of_week - 1);
          else
            Nested(n == 5 ? settings_.ShortDateFormat : settings_.LongDateFormat, depth);
          break;
        }
        case 'H': {
          bool twelve = HasAmPmAfter(pattern, i);
          int n = count_run('H');
          int hour = parts_.time.hour;
          if (twelve) {
            hour %= 12;
            if (hour == 0) hour = 12;
          }
          AppendNumber(out_, hour, n <= 1 ? 1 : 2);
          break;
        }
        case 'N': {
          int n = count_run(Upper(c));  // 'n' or the 'm' that follows an hour
          AppendNumber(out_, parts_.time.minute, n <= 1 ? 1 : 2);
          break;
        }
        case 'S': {
          int n = count_run('S');
          AppendNumber(out_, parts_.time.second, n <= 1 ? 1 : 2);
          break;
        }
        case 'Z': {
          int n = count_run('Z');
          AppendNumber(out_, parts_.time.msec, n <= 1 ? 1 : 3);
          break;
        }
        case 'T': {
          int n = count_run('T');
          Nested(n == 1 ? settings_.ShortTimeFormat : settings_.LongTimeFormat, depth);
          break;
        }
        case 'C':
          count_run('C');
          Nested(settings_.ShortDateFormat, depth);
          if (HasTime()) {
            out_ += ' ';
            Nested(settings_.LongTimeFormat, depth);
          }
          break;
        case 'A': i = AmPm(pattern, i); break;
        case '/':
          if (settings_.DateSeparator) out_ += settings_.DateSeparator;
          ++i;
          break;
        case ':':
          if (settings_.TimeSeparator) out_ += settings_.TimeSeparator;
          ++i;
          break;
        case '\'':
        case '"': {
          std::size_t close = pattern.find(c, i + 1);
          std::size_t end = close == std::string_view::npos ? pattern.size() : close;
          out_.append(pattern.substr(i + 1, end - i - 1));
          i = close == std::string_view::npos ? end : close + 1;
          break;
        }
        default: out_ += c; ++i;
      }
    }
  }

 private:
  bool HasTime() const {
    const TimeParts& t = parts_.time;
    return t.hour != 0 || t.minute != 0 || t.second != 0 || t.msec != 0;
  }

  template <std::size_t N>
  void Names(const std::array<std::string, N>& names, int index) {
    if (index >= 0 && index < static_cast<int>(N)) out_ += names[static_cast<std::size_t>(index)];
  }

  void Nested(std::string_view pattern, int depth) {
    if (depth < 2)
      Write(pattern, depth + 1);  // a set's formats may not refer to each other forever
  }

  std::size_t AmPm(std::string_view pattern, std::size_t i) {
    const bool pm = parts_.time.hour >= 12;
    if (StartsWithNoCase(pattern, i, "am/pm")) {
      out_.append(pattern.substr(pm ? i + 3 : i, 2));
      return i + 5;
    }
    if (StartsWithNoCase(pattern, i, "a/p")) {
      out_ += pattern[pm ? i + 2 : i];
      return i + 3;
    }
    if (StartsWithNoCase(pattern, i, "ampm")) {
      out_ += pm ? settings_.TimePMString : settings_.TimeAMString;
      return i + 4;
    }
    out_ += pattern[i];
    return i + 1;
  }

  std::string& out_;
  DateTimeParts parts_;
  const TFormatSettings& settings_;
};

}  // namespace

void AppendFormatDateTime(std::string& out, std::string_view pattern, TDateTime value,
                          const TFormatSettings& settings) {
  DateTimeWriter(out, value, settings).Write(pattern, 0);
}

std::string FormatDateTime(std::string_view pattern, TDateTime value,
                           const TFormatSettings& settings) {
  std::string out;
  AppendFormatDateTime(out, pattern, value, settings);
  return out;
}

std::string DateToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("ddddd", value, settings);
}
std::string TimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("tt", value, settings);
}
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
  return FormatDateTime("c", value, settings);
}

}  // namespace kvr::format
