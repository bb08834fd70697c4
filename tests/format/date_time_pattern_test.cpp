// DateTimePattern against AppendFormatDateTime: the same text for every pattern, settings set
// and value tried (fixed and random patterns, random and edge values).
#include "format/date_time_pattern.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/text.h"
#include "format/date_time_text.h"

namespace kvr::format {
namespace {

using namespace kvr::literals;

// Settings whose formats refer to each other, are empty, or lack separators.
TFormatSettings OddSettings() {
  TFormatSettings s;
  s.DateSeparator = '\0';
  s.TimeSeparator = '\0';
  s.ShortDateFormat = "c";
  s.LongDateFormat = "";
  s.ShortTimeFormat = "tt";
  s.LongTimeFormat = "t 'h' am/pm";
  s.TimeAMString = "утра"_w;
  s.TimePMString = "";
  s.ShortMonthNames[11] = "дек"_w;
  s.LongDayNames[1] = "";
  return s;
}

// Formats that end in text, so that text right after a "c" follows text that may be skipped.
TFormatSettings TextEndedSettings() {
  TFormatSettings s;
  s.ShortDateFormat = "d mmmm' г.'"_w;
  s.LongTimeFormat = "h' ч'"_w;
  return s;
}

std::vector<TFormatSettings> SettingsSets() {
  return {MakeLogFormatSettings({}), MakeIniFormatSettings({}), MakeSqlFormatSettings({}),
          MakeUSFormatSettings({}),  TFormatSettings{},         OddSettings(),
          TextEndedSettings()};
}

const std::string_view kPatterns[] = {
    "",
    "c",
    "dd/mm/yyyy hh:nn:ss",
    "mm/dd/yyyy",
    "hh:nn:ss ampm",
    "yyyy/mm/dd hh:nn:ss.zzz",
    "dd.mm.yyyy hh:nn:ss.zzzz",
    "d/m/yy h:n:s.z",
    "ddd dddd ddddd dddddd",
    "mmm mmmm MMM MMMM",
    "hh:mm m mm",  // m after an hour is minutes, later ones months
    "h m",
    "hxm",
    "hh 'x' mm",
    "HH:NN A/P a/p",
    "hh:nn am/pm AM/PM Am/Pm",
    "h ampm AMPM",
    "h a",
    "a b ap A/ am/p",
    "t tt T TT",
    "yyyy'/'\"mm\"",
    "'unclosed",
    "\"unclosed h am/pm",
    "h 'am/pm'",
    "h \"a/p",
    "y yyy yyyyy",
    "zz zzz zzzz",
    "s ss sss",
    "[yyyy] - {mm}",
    "cc c c",
    "c!",
    "ddddd c tt",
    "/ : // ::",
    "Привет dd"_w,
};

// A pattern of random pieces, each letter in random case.
std::string RandomPattern(std::mt19937_64& random) {
  static const char* const kPieces[] = {
      "y",    "yy",    "yyyy",   "m", "mm",    "mmm", "mmmm", "d", "dd", "ddd",
      "dddd", "ddddd", "dddddd", "h", "hh",    "n",   "nn",   "s", "ss", "z",
      "zzz",  "t",     "tt",     "c", "am/pm", "a/p", "ampm", "a", "/",  ":",
      " ",    "'lit'", "\"q\"",  "'", "\"",    "x",   "-",    ".", "e",  "p"};
  std::uniform_int_distribution<std::size_t> piece(0, std::size(kPieces) - 1);
  std::uniform_int_distribution<int> length(1, 8), coin(0, 1);
  std::string pattern;
  for (int n = length(random); n > 0; --n) pattern += kPieces[piece(random)];
  for (char& c : pattern)
    if (c >= 'a' && c <= 'z' && coin(random)) c = static_cast<char>(c - 'a' + 'A');
  return pattern;
}

std::vector<TDateTime> Values() {
  std::vector<TDateTime> values = {
      0.0,
      EncodeDate(2026, 12, 7),                   // midnight: "c" shows no time
      EncodeDateTime(2026, 12, 7, 0, 0, 0, 1),   // a millisecond past midnight
      EncodeDateTime(2026, 12, 7, 12, 0, 0, 0),  // noon
      EncodeDateTime(2026, 12, 7, 23, 59, 59, 999),
      EncodeDate(2026, 12, 7) + (kMSecsPerDay - 0.5) / kMSecsPerDay,  // rounds to next day
      EncodeDate(2026, 12, 7) + 0.4 / kMSecsPerDay,                   // rounds to midnight
      EncodeDateTime(2024, 2, 29, 13, 18, 46, 123),                   // leap days
      EncodeDateTime(2000, 2, 29, 1, 2, 3, 4),
      EncodeDate(1900, 3, 1),
      EncodeDate(1899, 12, 29) - 0.25,  // before day 0: negative
      EncodeDate(1, 1, 1),
      EncodeDateTime(1, 1, 1, 23, 59, 59, 999),
      EncodeDateTime(9999, 12, 31, 23, 59, 59, 999),
      EncodeDateTime(999, 3, 4, 5, 6, 7, 8),
      EncodeDateTime(1999, 12, 31, 11, 59, 59, 999),
  };
  std::mt19937_64 random(20261207);
  const std::int64_t first = DateTimeToMSecs(EncodeDate(1, 1, 1));
  const std::int64_t last = DateTimeToMSecs(EncodeDateTime(9999, 12, 31, 23, 59, 59, 999));
  std::uniform_int_distribution<std::int64_t> msecs(first, last);
  std::uniform_real_distribution<double> any(EncodeDate(1, 1, 1), EncodeDate(9999, 12, 31));
  for (int i = 0; i < 100; ++i) values.push_back(MSecsToDateTime(msecs(random)));
  for (int i = 0; i < 50; ++i) values.push_back(any(random));  // between milliseconds
  return values;
}

void ExpectSameTexts(const std::string& pattern, const TFormatSettings& settings,
                     const std::vector<TDateTime>& values) {
  const DateTimePattern prepared(pattern, settings);
  std::string got = "kept ";
  for (TDateTime value : values) {
    got.resize(5);
    prepared.AppendTo(got, value);
    ASSERT_EQ(got, "kept " + FormatDateTime(pattern, value, settings))
        << "pattern \"" << pattern << "\", value " << value;
  }
}

TEST(DateTimePatternTest, WritesWhatAppendFormatDateTimeWritesForListedPatterns) {
  const std::vector<TDateTime> values = Values();
  for (const TFormatSettings& settings : SettingsSets())
    for (std::string_view pattern : kPatterns)
      ExpectSameTexts(std::string(pattern), settings, values);
}

TEST(DateTimePatternTest, WritesWhatAppendFormatDateTimeWritesForRandomPatterns) {
  const std::vector<TDateTime> values = Values();
  std::mt19937_64 random(7);
  for (const TFormatSettings& settings : SettingsSets())
    for (int i = 0; i < 300; ++i) ExpectSameTexts(RandomPattern(random), settings, values);
}

TEST(DateTimePatternTest, AddedPartsWriteLikeSuccessiveCalls) {
  const TFormatSettings us = MakeUSFormatSettings({});
  const TFormatSettings ini = MakeIniFormatSettings({});
  DateTimePattern pattern(us.ShortDateFormat, us);
  pattern.AddText(" ").Add(us.LongTimeFormat, us).AddText("").Add("h 'x", ini).Add("m", ini);
  for (TDateTime value : Values()) {
    std::string expected;
    AppendFormatDateTime(expected, us.ShortDateFormat, value, us);
    expected += ' ';
    AppendFormatDateTime(expected, us.LongTimeFormat, value, us);
    AppendFormatDateTime(expected, "h 'x", value, ini);
    AppendFormatDateTime(expected, "m", value, ini);  // a new pattern: month, not minutes
    EXPECT_EQ(pattern.Format(value), expected) << value;
  }
  EXPECT_EQ(DateTimePattern().Format(1.5), "");
}

TEST(DateTimePatternTest, KeepsItsTextsWhenTheSettingsChange) {
  auto settings = std::make_unique<TFormatSettings>(MakeUSFormatSettings({}));
  const DateTimePattern pattern("mmm/dd c ampm", *settings);
  const TDateTime value = EncodeDateTime(2026, 12, 7, 13, 18, 46, 0);
  const std::string before = pattern.Format(value);
  settings->ShortMonthNames[11] = "XXX";
  settings->DateSeparator = '#';
  settings->TimePMString = "YY";
  settings.reset();
  EXPECT_EQ(pattern.Format(value), before);
  EXPECT_EQ(before, "Dec/07 12/07/2026 01:18:46 PM PM");
}

}  // namespace
}  // namespace kvr::format
