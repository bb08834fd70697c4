// The fixed format settings give the same texts whatever locale the process runs under. CTest
// runs this suite under LC_ALL=C and under a Russian locale (',' decimal separator,
// day.month.year dates); KVR_EXPECT_DECIMAL_SEPARATOR says which, so that a run that silently
// fell back to "C" fails instead of proving nothing. The process takes its locale from the
// environment (setlocale(LC_ALL, "")), as a host program may, so that the C library's own
// number texts change with it.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <string>

#include "common/date_time.h"
#include "common/format_text.h"
#include "format/date_time_text.h"
#include "format/float_text.h"
#include "format/format_settings.h"
#include "platform/environment.h"
#include "platform/regional_settings.h"

namespace kvr::format {
namespace {

const TDateTime kMoment = EncodeDateTime(2026, 12, 7, 13, 18, 46, 123);

const bool kProcessLocaleSet = std::setlocale(LC_ALL, "") != nullptr;

TEST(FormatUnderProcessLocale, TheLocaleIsTheOneAskedFor) {
  auto expected = platform::GetEnvironmentVariable("KVR_EXPECT_DECIMAL_SEPARATOR");
  if (!expected || expected->size() != 1) GTEST_SKIP() << "run outside CTest's locale runs";
  EXPECT_EQ(platform::UserRegionalSettings().decimal_separator, (*expected)[0]);
  // The C library itself writes numbers the locale's way, so the tests below can catch a
  // formatter that asks it.
  ASSERT_TRUE(kProcessLocaleSet);
  char text[16];
  std::snprintf(text, sizeof text, "%.1f", 1.5);
  EXPECT_EQ(text[1], (*expected)[0]);
}

TEST(FormatUnderProcessLocale, MessageFormatNumbersKeepTheDot) {
  struct Case {
    const char* format;
    double value;
    const char* expected;
  };
  const Case cases[] = {
      {"%f", 1.5, "1.50"},
      {"%.3f", -0.0626, "-0.063"},
      {"%n", 1234.5, "1,234.50"},
      {"%.0n", 1234567.0, "1,234,567"},
      {"%e", 1.5, "1.500000000000000E+00"},
      {"%.2e", 12345.678, "1.23E+04"},
      {"%g", 0.25, "0.25"},
      {"%g", 1e20, "1E+20"},
      {"%8.1f|", 2.25, "     2.2|"},
  };
  for (const Case& c : cases) EXPECT_EQ(Format(c.format, {c.value}), c.expected) << c.format;
}

TEST(FormatUnderProcessLocale, FixedSetsGiveFixedTexts) {
  struct Case {
    const char* set;
    const TFormatSettings& settings;
    const char* pattern;
    TDateTime value;
    const char* expected;
  };
  const Case cases[] = {
      {"Sql", SqlFormatSettings(), "yyyy/mm/dd hh:nn:ss.zzz", kMoment, "2026-12-07 13:18:46.123"},
      {"Sql", SqlFormatSettings(), "yyyy/mm/dd hh:nn:ss", kMoment, "2026-12-07 13:18:46"},
      {"US", USFormatSettings(), "mm/dd/yyyy", kMoment, "12/07/2026"},
      {"US", USFormatSettings(), "hh:nn:ss ampm", kMoment, "01:18:46 PM"},
      {"US", USFormatSettings(), "hh:nn:ss ampm", EncodeDate(2026, 12, 7), "12:00:00 AM"},
      {"Log", LogFormatSettings(), "dd/mm/yyyy hh:nn:ss.zzz", kMoment, "07.12.2026 13:18:46.123"},
      {"Ini", IniFormatSettings(), "dd/mm/yyyy hh:nn:ss", kMoment, "07.12.2026 13:18:46"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FormatDateTime(c.pattern, c.value, c.settings), c.expected)
        << c.set << " " << c.pattern;
  EXPECT_EQ(DateToStr(kMoment, USFormatSettings()), "12/07/2026");
  EXPECT_EQ(TimeToStr(EncodeDate(2026, 12, 7), USFormatSettings()), "12:00:00 AM");
}

TEST(FormatUnderProcessLocale, NumbersUseTheDotOfTheFixedSets) {
  for (const TFormatSettings* settings :
       {&SqlFormatSettings(), &IniFormatSettings(), &LogFormatSettings()}) {
    EXPECT_EQ(FloatToStr(1.5, *settings), "1.5");
    EXPECT_DOUBLE_EQ(StrToFloat("2.25", *settings), 2.25);
  }
}

}  // namespace
}  // namespace kvr::format
