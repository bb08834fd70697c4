// Date-time numbers: days since 30 December 1899, the time of day as the fraction.
// Encoding and decoding are exact to the millisecond.
#pragma once

#include <cstdint>

namespace kvr {

using TDateTime = double;

constexpr std::int64_t kMSecsPerDay = 86'400'000;
// Day number of 1 January of year 1 counted like TDateTime plus this offset (Delphi's DateDelta).
constexpr std::int64_t kDateDelta = 693'594;

struct DateParts {
  int year = 0, month = 0, day = 0;
};
struct TimeParts {
  int hour = 0, minute = 0, second = 0, msec = 0;
};
struct DateTimeParts {
  DateParts date;
  TimeParts time;
  int day_of_week = 0;  // 1 = Sunday .. 7 = Saturday
};

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

bool TryEncodeDate(int year, int month, int day, TDateTime& out);
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& out);
// Raise EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);

// Splits a value rounded to the millisecond; negative values keep the time of day positive.
DateTimeParts DecodeDateTime(TDateTime value);
DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);

// Milliseconds since 30 December 1899 00:00 (rounded), and back.
std::int64_t DateTimeToMSecs(TDateTime value);
TDateTime MSecsToDateTime(std::int64_t msecs);

}  // namespace kvr
