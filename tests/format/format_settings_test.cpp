#include "format/format_settings.h"

#include <gtest/gtest.h>

#include "format/date_time_text.h"

namespace kvr::format {
namespace {

const TDateTime kMoment = EncodeDateTime(2026, 12, 7, 13, 18, 46, 123);

// Regional settings of a machine set up the Russian way: ',' decimals, day.month.two-digit year.
platform::RegionalSettings RussianStyleRegion() {
  platform::RegionalSettings r;
  r.short_date_format = r.long_date_format = "dd.mm.yy";
  r.long_time_format = "h:nn:ss";
  r.date_separator = '.';
  r.time_separator = ':';
  r.decimal_separator = ',';
  r.thousand_separator = ' ';
  return r;
}

struct SetCase {
  const char* name;
  TFormatSettings (*make)(const platform::RegionalSettings&);
  const char* pattern;
  const char* expected;
};

TEST(FormatSettings, FixedSetsGiveTheSameTextWhateverTheRegion) {
  const SetCase cases[] = {
      {"log", MakeLogFormatSettings, "dd/mm/yyyy hh:nn:ss.zzz", "07.12.2026 13:18:46.123"},
      {"ini", MakeIniFormatSettings, "dd/mm/yyyy hh:nn:ss", "07.12.2026 13:18:46"},
      {"sql", MakeSqlFormatSettings, "yyyy/mm/dd hh:nn:ss.zzz", "2026-12-07 13:18:46.123"},
      {"us date", MakeUSFormatSettings, "ddddd", "12/07/2026"},
      {"us time", MakeUSFormatSettings, "tt", "01:18:46 PM"},
  };
  for (const auto& region : {platform::RegionalSettings{}, RussianStyleRegion()}) {
    for (const auto& c : cases) {
      TFormatSettings s = c.make(region);
      EXPECT_EQ(FormatDateTime(c.pattern, kMoment, s), c.expected) << c.name;
    }
  }
}

TEST(FormatSettings, SetsKeepTheirOwnFields) {
  const platform::RegionalSettings region = RussianStyleRegion();
  EXPECT_EQ(MakeLogFormatSettings(region).DecimalSeparator, '.');
  EXPECT_EQ(MakeIniFormatSettings(region).LongTimeFormat, "hh:nn:ss.zzzz");
  EXPECT_EQ(MakeIniFormatSettings(region).ShortDateFormat, "dd.mm.yyyy");
  EXPECT_EQ(MakeSqlFormatSettings(region).DateSeparator, '-');
  // The US set keeps the region's decimal separator: only its dates and times are fixed.
  EXPECT_EQ(MakeUSFormatSettings(region).DecimalSeparator, ',');
  EXPECT_EQ(FormatSettingsFrom(region).ShortDateFormat, "dd.mm.yy");
}

TEST(FormatSettings, ProcessSetsMatchTheFixedValues) {
  InitializeFormatSettings();
  EXPECT_EQ(DateTimeToStr(kMoment, LogFormatSettings()), "07.12.2026 13:18:46.123");
  EXPECT_EQ(DateTimeToStr(kMoment, IniFormatSettings()), "07.12.2026 13:18:46.123");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn:ss", kMoment, SqlFormatSettings()),
            "2026-12-07 13:18:46");
  EXPECT_EQ(DateToStr(kMoment, USFormatSettings()), "12/07/2026");
}

TEST(FormatSettings, MidnightOnTheUSClockIsTwelveAM) {
  TFormatSettings us = MakeUSFormatSettings({});
  EXPECT_EQ(TimeToStr(EncodeDate(2026, 12, 7), us), "12:00:00 AM");
  EXPECT_EQ(TimeToStr(EncodeTime(12, 0, 0, 0), us), "12:00:00 PM");
  EXPECT_EQ(TimeToStr(EncodeTime(23, 59, 59, 0), us), "11:59:59 PM");
}

}  // namespace
}  // namespace kvr::format
