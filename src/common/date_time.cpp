#include "common/date_time.h"

#include <chrono>
#include <cmath>

#include "common/exceptions.h"

namespace kvr {
namespace {

using std::chrono::day;
using std::chrono::month;
using std::chrono::sys_days;
using std::chrono::year;
using std::chrono::year_month_day;

constexpr sys_days kEpoch = sys_days{year{1899} / 12 / 30};

}  // namespace

bool IsLeapYear(int y) { return (y % 4 == 0) && (y % 100 != 0 || y % 400 == 0); }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (m < 1 || m > 12) return 0;
  return kDays[m - 1] + (m == 2 && IsLeapYear(y) ? 1 : 0);
}

bool TryEncodeDate(int y, int m, int d, TDateTime& out) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1 || d > DaysInMonth(y, m)) return false;
  sys_days days{year{y} / month{static_cast<unsigned>(m)} / day{static_cast<unsigned>(d)}};
  out = static_cast<double>((days - kEpoch).count());
  return true;
}

bool TryEncodeTime(int h, int n, int s, int ms, TDateTime& out) {
  if (h < 0 || h > 23 || n < 0 || n > 59 || s < 0 || s > 59 || ms < 0 || ms > 999) return false;
  out = static_cast<double>(((h * 60 + n) * 60 + s) * 1000LL + ms) / kMSecsPerDay;
  return true;
}

TDateTime EncodeDate(int y, int m, int d) {
  TDateTime out;
  if (!TryEncodeDate(y, m, d, out)) throw EConvertError("Invalid argument to date encode");
  return out;
}

TDateTime EncodeTime(int h, int n, int s, int ms) {
  TDateTime out;
  if (!TryEncodeTime(h, n, s, ms, out)) throw EConvertError("Invalid argument to time encode");
  return out;
}

TDateTime EncodeDateTime(int y, int m, int d, int h, int n, int s, int ms) {
  TDateTime date = EncodeDate(y, m, d);
  TDateTime time = EncodeTime(h, n, s, ms);
  return date < 0 ? date - time : date + time;
}

std::int64_t DateTimeToMSecs(TDateTime value) {
  return static_cast<std::int64_t>(std::llround(value * kMSecsPerDay));
}

TDateTime MSecsToDateTime(std::int64_t msecs) {
  std::int64_t days = msecs / kMSecsPerDay;
  std::int64_t rest = msecs % kMSecsPerDay;
  if (rest < 0) rest = -rest;
  double time = static_cast<double>(rest) / kMSecsPerDay;
  return days < 0 || msecs < 0 ? static_cast<double>(days) - time
                               : static_cast<double>(days) + time;
}

DateTimeParts DecodeDateTime(TDateTime value) {
  std::int64_t total = DateTimeToMSecs(value);
  std::int64_t days = total / kMSecsPerDay;  // truncates toward zero, like the date part
  std::int64_t ms = total % kMSecsPerDay;
  if (ms < 0) ms = -ms;
  DateTimeParts parts;
  year_month_day ymd{kEpoch + std::chrono::days{days}};
  parts.date = {static_cast<int>(ymd.year()), static_cast<int>(unsigned(ymd.month())),
                static_cast<int>(unsigned(ymd.day()))};
  parts.time.msec = static_cast<int>(ms % 1000);
  ms /= 1000;
  parts.time.second = static_cast<int>(ms % 60);
  ms /= 60;
  parts.time.minute = static_cast<int>(ms % 60);
  parts.time.hour = static_cast<int>(ms / 60);
  std::chrono::weekday wd{kEpoch + std::chrono::days{days}};
  parts.day_of_week = static_cast<int>(wd.c_encoding()) + 1;
  return parts;
}

DateParts DecodeDate(TDateTime value) { return DecodeDateTime(value).date; }
TimeParts DecodeTime(TDateTime value) { return DecodeDateTime(value).time; }

}  // namespace kvr
