#include "format/date_time_text.h"

#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "format/date_time_parse.h"
#include "platform/clock.h"

namespace kvr::format {
namespace {

const TDateTime kMoment = EncodeDateTime(2026, 12, 7, 13, 18, 46, 123);

TEST(FormatDateTime, PatternLetters) {
  const TFormatSettings s = MakeLogFormatSettings({});
  const struct {
    const char* pattern;
    const char* expected;
  } cases[] = {
      {"d/m/yy", "7.12.26"},
      {"ddd dddd", "Mon Monday"},
      {"mmm mmmm", "Dec December"},
      {"h:n:s.z", "13:18:46.123"},
      {"hh:mm", "13:18"},  // m after an hour is minutes
      {"hh:nn am/pm", "01:18 pm"},
      {"HH:NN A/P", "01:18 P"},
      {"hh:nn ampm", "01:18 PM"},
      {"yyyy'/'\"mm\"", "2026/mm"},
      {"c", "07.12.2026 13:18:46.123"},
      {"t", "13:18:46.123"},
      {"zzzz", "123"},
      {"[yyyy]", "[2026]"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatDateTime(c.pattern, kMoment, s), c.expected) << c.pattern;
}

TEST(FormatDateTime, DateTimeToStrOmitsAMidnightTimeButKeepsMilliseconds) {
  const TFormatSettings s = MakeIniFormatSettings({});
  EXPECT_EQ(DateTimeToStr(EncodeDate(2026, 12, 7), s), "07.12.2026");
  EXPECT_EQ(DateTimeToStr(EncodeDateTime(2026, 12, 7, 0, 0, 0, 5), s), "07.12.2026 00:00:00.005");
}

TEST(FormatDateTime, SelfReferringFormatsEnd) {
  TFormatSettings s = MakeLogFormatSettings({});
  s.ShortDateFormat.assign(1, 'c');
  s.LongTimeFormat.assign(1, 't');
  s.ShortTimeFormat.assign(2, 't');
  EXPECT_NO_THROW(FormatDateTime("c", kMoment, s));
}

TEST(ParseDateTime, RoundTripsEachSet) {
  const TFormatSettings sets[] = {MakeLogFormatSettings({}), MakeIniFormatSettings({}),
                                  MakeSqlFormatSettings({})};
  for (const auto& s : sets) {
    std::string text = DateTimeToStr(kMoment, s);
    EXPECT_EQ(StrToDateTime(text, s), kMoment) << text;
    EXPECT_EQ(StrToDate(DateToStr(kMoment, s), s), EncodeDate(2026, 12, 7));
    EXPECT_EQ(StrToTime(TimeToStr(kMoment, s), s), EncodeTime(13, 18, 46, 123));
  }
  const TFormatSettings us = MakeUSFormatSettings({});
  EXPECT_EQ(StrToTime("01:18:46 PM", us), EncodeTime(13, 18, 46, 0));
  EXPECT_EQ(StrToTime("12:00:00 AM", us), 0.0);
  EXPECT_EQ(StrToDate("12/07/2026", us), EncodeDate(2026, 12, 7));
}

TEST(ParseDateTime, RejectsWhatIsNoDateOrTime) {
  const TFormatSettings s = MakeIniFormatSettings({});
  const char* bad_dates[] = {"31.02.2024",  "",      "07.12.",     "7-12-2026",
                             "07.12.2026x", "a.b.c", "07.13.2026", "07.12.12345"};
  TDateTime v = 42;
  for (const char* text : bad_dates) {
    EXPECT_FALSE(TryStrToDate(text, v, s)) << text;
    // (digits after a four-digit year read as a time, as "07.12.1234 5")
    if (std::string_view(text) != "07.12.12345") {
      EXPECT_FALSE(TryStrToDateTime(text, v, s)) << text;
    }
  }
  EXPECT_EQ(v, 42);  // untouched on failure
  for (const char* text : {"25:00", "12:60", "1:2:3.1000", "13:00 PM", ":", "12:3x"})
    EXPECT_FALSE(TryStrToTime(text, v, s)) << text;
  try {
    StrToDate("31.02.2024", s);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'31.02.2024' is not a valid date");
  }
}

TEST(ParseDateTime, TimeOnlyAndShortForms) {
  const TFormatSettings s = MakeLogFormatSettings({});
  TDateTime v;
  ASSERT_TRUE(TryStrToDateTime("13:18:46.123", v, s));
  EXPECT_EQ(v, EncodeTime(13, 18, 46, 123));
  ASSERT_TRUE(TryStrToTime(" 7 ", v, s));
  EXPECT_EQ(v, EncodeTime(7, 0, 0, 0));
  ASSERT_TRUE(TryStrToDate("7.12", v, s));  // current year
  EXPECT_EQ(DecodeDate(v).year, DecodeDate(platform::Now()).year);
  // Two-digit years land within fifty years of now.
  const int year = DecodeDate(platform::Now()).year;
  ASSERT_TRUE(TryStrToDate("07.12.00", v, s));
  int expected = year / 100 * 100;
  if (expected < year - 50) expected += 100;
  EXPECT_EQ(DecodeDate(v).year, expected);
}

}  // namespace
}  // namespace kvr::format
