#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "common/date_time.h"
#include "common/variant.h"

namespace kvr {
namespace {

TEST(VariantConversion, ToInteger) {
  struct Case {
    Variant value;
    std::int32_t expected;
  };
  const Case cases[] = {
      {Variant(), 0},
      {Variant(std::int16_t{-7}), -7},
      {Variant(42), 42},
      {Variant(std::int64_t{-2147483648LL}), std::numeric_limits<std::int32_t>::min()},
      {Variant(true), -1},
      {Variant(false), 0},
      {Variant(2.5), 2},  // half to even
      {Variant(3.5), 4},
      {Variant(-2.5), -2},
      {Variant(2.49), 2},
      {Variant::FromDateTime(46363.75), 46364},
      {Variant("1000"), 1000},
      {Variant("  -12 "), -12},
      {Variant("+5"), 5},
      {Variant("3.5"), 4},
      {Variant("1e3"), 1000},
      {Variant("TRUE"), -1},
      {Variant("false"), 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.value.AsInteger(), c.expected)
        << VarTypeAsText(c.value.Type()) << " " << VarToStr(c.value);
}

TEST(VariantConversion, FailedConversionsNameBothTypes) {
  struct Case {
    Variant value;
    const char* message;
  };
  const Case cases[] = {
      {Variant("abc"), "Could not convert variant of type (String) into type (Integer)"},
      {Variant(""), "Could not convert variant of type (String) into type (Integer)"},
      {Variant("12abc"), "Could not convert variant of type (String) into type (Integer)"},
      {Variant("inf"), "Could not convert variant of type (String) into type (Integer)"},
      {Variant::Null(), "Could not convert variant of type (Null) into type (Integer)"},
      {Variant(VariantArray(0, 1)),
       "Could not convert variant of type (Array Variant) into type (Integer)"},
  };
  for (const Case& c : cases) {
    try {
      c.value.AsInteger();
      ADD_FAILURE() << "no error for " << c.message;
    } catch (const EVariantTypeCastError& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_STREQ(e.ClassName(), "EVariantTypeCastError");
    }
  }
}

TEST(VariantConversion, OutOfRangeRaisesOverflow) {
  EXPECT_THROW(Variant(std::int64_t{1} << 40).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(3e9).AsInteger(), EVariantOverflowError);
  EXPECT_THROW(Variant(1e19).AsInt64(), EVariantOverflowError);
  EXPECT_THROW(Variant(std::numeric_limits<double>::quiet_NaN()).AsInteger(),
               EVariantOverflowError);
  EXPECT_THROW(Variant("99999999999").AsInteger(), EVariantOverflowError);
  EXPECT_EQ(Variant("99999999999").AsInt64(), 99999999999LL);
  EXPECT_THROW(Variant(40000).ChangeType(VT_I2), EVariantOverflowError);
  try {
    Variant(3e9).AsInteger();
  } catch (const EVariantOverflowError& e) {
    EXPECT_EQ(e.Message(),
              "Overflow while converting variant of type (Double) into type (Integer)");
  }
}

TEST(VariantConversion, ToText) {
  struct Case {
    Variant value;
    const char* expected;
  };
  const Case cases[] = {
      {Variant(), ""},
      {Variant(-104), "-104"},
      {Variant(std::int64_t{-9223372036854775807LL - 1}), "-9223372036854775808"},
      {Variant(true), "True"},
      {Variant(false), "False"},
      {Variant(1.5), "1.5"},
      {Variant(100.0), "100"},
      {Variant(0.1), "0.1"},
      {Variant(1e20), "1E20"},
      {Variant(1e-5), "1E-5"},
      {Variant(-0.0001), "-0.0001"},
      {Variant::FromDateTime(EncodeDate(2026, 12, 7)), "07.12.2026"},
      {Variant::FromDateTime(EncodeDateTime(2026, 1, 2, 3, 4, 5, 0)), "02.01.2026 03:04:05"},
      {Variant("\xC2\xD1\xC5"), "\xC2\xD1\xC5"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.AsText(), c.expected);
  EXPECT_THROW(Variant::Null().AsText(), EVariantTypeCastError);
  EXPECT_EQ(VarToStr(Variant::Null()), "");
}

TEST(VariantConversion, ToFloatAndBoolean) {
  EXPECT_DOUBLE_EQ(Variant("  -2.25 ").AsFloat(), -2.25);
  EXPECT_DOUBLE_EQ(Variant(".5").AsFloat(), 0.5);
  EXPECT_DOUBLE_EQ(Variant(7).AsFloat(), 7.0);
  EXPECT_THROW(Variant("1,5").AsFloat(), EVariantTypeCastError);
  EXPECT_THROW(Variant("nan").AsFloat(), EVariantTypeCastError);

  EXPECT_TRUE(Variant("True").AsBoolean());
  EXPECT_TRUE(Variant(" 2 ").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_FALSE(Variant().AsBoolean());
  EXPECT_TRUE(Variant(-1).AsBoolean());
  EXPECT_TRUE(Variant(0.25).AsBoolean());
  EXPECT_THROW(Variant("yes").AsBoolean(), EVariantTypeCastError);
  EXPECT_THROW(Variant::Null().AsBoolean(), EVariantTypeCastError);
}

TEST(VariantConversion, ToDateTime) {
  struct Case {
    const char* text;
    TDateTime expected;
  };
  const Case cases[] = {
      {"2026-12-07", EncodeDate(2026, 12, 7)},
      {"2026-12-07 13:18", EncodeDateTime(2026, 12, 7, 13, 18, 0, 0)},
      {"2026-12-07T13:18:46.5", EncodeDateTime(2026, 12, 7, 13, 18, 46, 500)},
      {"07.12.2026 13:18:46", EncodeDateTime(2026, 12, 7, 13, 18, 46, 0)},
      {"1.2.2026", EncodeDate(2026, 2, 1)},
      {"46363.5", 46363.5},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(Variant(c.text).AsDateTime(), c.expected) << c.text;
  for (const char* bad : {"2026-02-30", "2026-12-07 25:00", "07.12.2026x", "tomorrow", ""})
    EXPECT_THROW(Variant(bad).AsDateTime(), EVariantTypeCastError) << bad;
  EXPECT_DOUBLE_EQ(Variant(5).AsDateTime(), 5.0);
  EXPECT_THROW(Variant(true).AsDateTime(), EVariantTypeCastError);
  // A text date round-trips through the text form.
  Variant d = Variant::FromDateTime(EncodeDateTime(2001, 9, 9, 1, 46, 40, 0));
  EXPECT_DOUBLE_EQ(Variant(d.AsText()).AsDateTime(), d.AsDateTime());
}

TEST(VariantConversion, ChangeTypeKeepsTheTypeCode) {
  EXPECT_EQ(Variant(5).ChangeType(VT_BSTR).Type(), VT_BSTR);
  EXPECT_EQ(Variant(5).ChangeType(VT_BSTR).StoredText(), "5");
  EXPECT_EQ(Variant("5").ChangeType(VT_I4).Type(), VT_I4);
  EXPECT_EQ(Variant("5").ChangeType(VT_I2).AsInteger(), 5);
  EXPECT_EQ(Variant(1.0).ChangeType(VT_DATE).Type(), VT_DATE);
  EXPECT_EQ(VarTypeAsText(VT_ARRAY | VT_BSTR), "Array String");
}

}  // namespace
}  // namespace kvr
