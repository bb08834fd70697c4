#include "common/date_time.h"

#include <gtest/gtest.h>

#include "common/exceptions.h"

namespace kvr {

TEST(DateTime, EncodeDecodeRoundTripsToTheMillisecond) {
  struct Case {
    int y, m, d, h, n, s, ms;
  };
  for (Case c : {Case{2026, 12, 7, 13, 18, 46, 123}, Case{1899, 12, 30, 0, 0, 0, 0},
                 Case{1900, 1, 1, 23, 59, 59, 999}, Case{2000, 2, 29, 12, 0, 0, 1},
                 Case{1, 1, 1, 0, 0, 0, 0}, Case{9999, 12, 31, 23, 59, 59, 999}}) {
    TDateTime v = EncodeDateTime(c.y, c.m, c.d, c.h, c.n, c.s, c.ms);
    DateTimeParts p = DecodeDateTime(v);
    EXPECT_EQ(p.date.year, c.y);
    EXPECT_EQ(p.date.month, c.m);
    EXPECT_EQ(p.date.day, c.d);
    EXPECT_EQ(p.time.hour, c.h);
    EXPECT_EQ(p.time.minute, c.n);
    EXPECT_EQ(p.time.second, c.s);
    EXPECT_EQ(p.time.msec, c.ms);
  }
}

TEST(DateTime, KnownDayNumbers) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2026, 12, 7), 46363.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);  // day number 1 when 693594 is added
  EXPECT_EQ(DecodeDateTime(EncodeDate(2026, 12, 7)).day_of_week, 2);  // Monday
}

TEST(DateTime, NegativeValuesKeepTheTimeOfDayPositive) {
  DateTimeParts p = DecodeDateTime(-1.25);
  EXPECT_EQ(p.date.day, 29);
  EXPECT_EQ(p.time.hour, 6);
}

TEST(DateTime, InvalidPartsRaiseConvertError) {
  EXPECT_THROW(EncodeDate(2025, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
}

}  // namespace kvr
