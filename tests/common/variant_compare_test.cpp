#include <gtest/gtest.h>

#include "common/date_time.h"
#include "common/variant.h"

namespace kvr {
namespace {

using std::partial_ordering;

TEST(VariantCompare, EqualityAcrossTypes) {
  struct Case {
    Variant a, b;
    bool equal;
  };
  const Case cases[] = {
      {Variant(3), Variant("3"), true},
      {Variant("3"), Variant(3), true},
      {Variant(3), Variant(" 3 "), true},
      {Variant(3), Variant("3.0"), true},
      {Variant(3), Variant(3.0), true},
      {Variant(std::int16_t{3}), Variant(std::int64_t{3}), true},
      {Variant(3), Variant(4), false},
      {Variant(0), Variant(), true},
      {Variant(), Variant(""), true},
      {Variant(), Variant(), true},
      {Variant(true), Variant(-1), true},
      {Variant(false), Variant(0), true},
      {Variant(true), Variant("True"), true},
      {Variant("abc"), Variant("abc"), true},
      {Variant("abc"), Variant("ABC"), false},
      {Variant::Null(), Variant::Null(), true},
      {Variant::Null(), Variant(0), false},
      {Variant::Null(), Variant(), false},
      {Variant::FromDateTime(2.5), Variant(2.5), true},
      {Variant::FromDateTime(EncodeDate(2026, 1, 1)), Variant("2026-01-01"), true},
      {Variant(std::int64_t{9007199254740993LL}), Variant(std::int64_t{9007199254740992LL}), false},
      {Variant(std::int64_t{9007199254740993LL}), Variant("9007199254740993"), true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.a == c.b, c.equal) << VarToStr(c.a) << " vs " << VarToStr(c.b);
}

TEST(VariantCompare, Ordering) {
  EXPECT_EQ(VarCompare(Variant(2), Variant("10")), partial_ordering::less);
  EXPECT_EQ(VarCompare(Variant("2"), Variant("10")), partial_ordering::greater);  // as texts
  EXPECT_EQ(VarCompare(Variant(2.5), Variant(2)), partial_ordering::greater);
  EXPECT_EQ(VarCompare(Variant(), Variant(-1)), partial_ordering::greater);
  EXPECT_EQ(VarCompare(Variant::Null(), Variant(1)), partial_ordering::unordered);
  // Windows-1251 bytes above 0x7F order after ASCII: "Я" > "Z".
  EXPECT_EQ(VarCompare(Variant("\xDF"), Variant("Z")), partial_ordering::greater);
}

TEST(VariantCompare, TextThatIsNoNumberRaises) {
  EXPECT_THROW((void)(Variant(3) == Variant("abc")), EVariantTypeCastError);
  EXPECT_THROW((void)(Variant("") == Variant(0)), EVariantTypeCastError);
  EXPECT_THROW((void)(Variant(VariantArray(0, 0)) == Variant(0)), EVariantInvalidOpError);
}

}  // namespace
}  // namespace kvr
