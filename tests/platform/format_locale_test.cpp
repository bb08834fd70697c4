// The fixed format settings give the same texts whatever locale the process runs under. CTest
// runs this suite under LC_ALL=C and under a Russian locale (',' decimal separator,
// day.month.year dates); KVR_EXPECT_DECIMAL_SEPARATOR says which, so that a run that silently
// fell back to "C" fails instead of proving nothing.
#include <gtest/gtest.h>

#include <string>

#include "common/date_time.h"
#include "format/date_time_text.h"
#include "format/float_text.h"
#include "format/format_settings.h"
#include "platform/environment.h"
#include "platform/regional_settings.h"

namespace kvr::format {
namespace {

const TDateTime kMoment = EncodeDateTime(2026, 12, 7, 13, 18, 46, 123);

TEST(FormatUnderProcessLocale, TheLocaleIsTheOneAskedFor) {
  auto expected = platform::GetEnvironmentVariable("KVR_EXPECT_DECIMAL_SEPARATOR");
  if (!expected || expected->size() != 1) GTEST_SKIP() << "run outside CTest's locale runs";
  EXPECT_EQ(platform::UserRegionalSettings().decimal_separator, (*expected)[0]);
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
    EXPECT_EQ(FormatDateTime(c.pattern, c.value, c.settings), c.expected) << c.set << " " << c.pattern;
  EXPECT_EQ(DateToStr(kMoment, USFormatSettings()), "12/07/2026");
  EXPECT_EQ(TimeToStr(EncodeDate(2026, 12, 7), USFormatSettings()), "12:00:00 AM");
}

TEST(FormatUnderProcessLocale, NumbersUseTheDotOfTheFixedSets) {
  for (const TFormatSettings* settings : {&SqlFormatSettings(), &IniFormatSettings(), &LogFormatSettings()}) {
    EXPECT_EQ(FloatToStr(1.5, *settings), "1.5");
    EXPECT_DOUBLE_EQ(StrToFloat("2.25", *settings), 2.25);
  }
}

}  // namespace
}  // namespace kvr::format
