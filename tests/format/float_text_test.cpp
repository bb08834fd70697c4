#include "format/float_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "common/exceptions.h"

namespace kvr::format {
namespace {

TEST(FloatText, FloatToStrShortestForm) {
  const TFormatSettings s = MakeIniFormatSettings({});
  const struct {
    double value;
    const char* expected;
  } cases[] = {{0, "0"},
               {-0.0, "0"},
               {1.5, "1.5"},
               {-2.25, "-2.25"},
               {0.1, "0.1"},
               {100, "100"},
               {0.0001, "0.0001"},
               {0.00001, "1E-5"},
               {1.5e-7, "1.5E-7"},
               {1e20, "1E20"},
               {123456789012345.0, "123456789012345"},
               {1e15, "1E15"},
               {1.0 / 3, "0.333333333333333"},
               {INFINITY, "INF"},
               {-INFINITY, "-INF"},
               {NAN, "NAN"}};
  for (const auto& c : cases) EXPECT_EQ(FloatToStr(c.value, s), c.expected) << c.value;
  TFormatSettings comma = s;
  comma.DecimalSeparator = ',';
  EXPECT_EQ(FloatToStr(1.5, comma), "1,5");
}

TEST(FloatText, StrToFloatAcceptsOnlyTheSetsSeparator) {
  const TFormatSettings s = MakeIniFormatSettings({});
  double v = 0;
  const struct {
    const char* text;
    double expected;
  } good[] = {{"1.5", 1.5},      {" -2.25 ", -2.25}, {"+3", 3}, {"1E3", 1000},
              {"2.5e-2", 0.025}, {".5", 0.5},        {"5.", 5}};
  for (const auto& c : good) {
    ASSERT_TRUE(TryStrToFloat(c.text, v, s)) << c.text;
    EXPECT_DOUBLE_EQ(v, c.expected) << c.text;
  }
  for (const char* text : {"", "1,5", "1.2.3", "abc", "1e", "e5", ".", "-", "1 5", "1e999", "0x10"})
    EXPECT_FALSE(TryStrToFloat(text, v, s)) << text;
  EXPECT_THROW(StrToFloat("1,5", s), EConvertError);
  for (double x : {0.1, 1e-300, 123.456, -9.87654321e12})
    EXPECT_DOUBLE_EQ(StrToFloat(FloatToStr(x, s), s), x);
}

}  // namespace
}  // namespace kvr::format
