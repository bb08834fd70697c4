#include <gtest/gtest.h>

#include "common/variant.h"

namespace kvr {
namespace {

TEST(VariantArray, OneDimensionWithBounds) {
  VariantArray a(0, 2);
  EXPECT_EQ(a.DimCount(), 1);
  EXPECT_EQ(a.LowBound(), 0);
  EXPECT_EQ(a.HighBound(), 2);
  a.Put(0, Variant(1000));
  a.Put(2, Variant("x"));
  EXPECT_EQ(a.Get(0).AsInteger(), 1000);
  EXPECT_TRUE(a.Get(1).IsEmpty());
  EXPECT_EQ(a.Get(2).AsText(), "x");

  Variant v(a);
  EXPECT_TRUE(v.IsArray());
  EXPECT_EQ(v.Type(), VT_ARRAY | VT_VARIANT);
}

TEST(VariantArray, IndexesOutsideTheBoundsRaise) {
  VariantArray a(-1, 1);
  EXPECT_NO_THROW(a.Get(-1));
  for (int bad : {-2, 2, 1 << 30, -(1 << 30)}) EXPECT_THROW(a.Get(bad), EVariantBadIndexError);
  EXPECT_THROW(a.Get(0, 0), EVariantBadIndexError);  // wrong number of indices
  EXPECT_THROW(a.HighBound(2), EVariantBadIndexError);
  EXPECT_THROW(a.Put(5, Variant(1)), EVariantBadIndexError);

  VariantArray empty(0, -1);
  EXPECT_EQ(empty.HighBound(), -1);
  EXPECT_EQ(empty.ElementCount(), 0u);
  EXPECT_THROW(empty.Get(0), EVariantBadIndexError);
  EXPECT_THROW(VariantArray(0, -5), EVariantError);
}

TEST(VariantArray, TwoDimensionsOfTextConvertWhatIsStored) {
  VariantArray table(0, 12, 0, 3, VT_BSTR);
  EXPECT_EQ(table.DimCount(), 2);
  EXPECT_EQ(table.HighBound(1), 12);
  EXPECT_EQ(table.HighBound(2), 3);
  EXPECT_EQ(table.Get(12, 3).Type(), VT_BSTR);  // created as empty texts
  table.Put(4, 1, Variant(4));
  table.Put(4, 2, Variant(-104 % 100));
  EXPECT_EQ(table.Get(4, 1).Type(), VT_BSTR);
  EXPECT_EQ(table.Get(4, 1).StoredText(), "4");
  EXPECT_EQ(table.Get(4, 2).StoredText(), "-4");
  EXPECT_THROW(table.Get(13, 0), EVariantBadIndexError);
  EXPECT_THROW(table.Get(0, 4), EVariantBadIndexError);
  EXPECT_THROW(table.Get(0), EVariantBadIndexError);
  EXPECT_THROW(table.Put(0, 0, Variant::Null()), EVariantTypeCastError);
  EXPECT_EQ(Variant(table).Type(), VT_ARRAY | VT_BSTR);
}

TEST(VariantArray, CopiesShareAndCloneSeparates) {
  VariantArray a(0, 0);
  Variant holder(a);
  Variant copy = holder;
  a.Put(0, Variant(7));
  EXPECT_EQ(copy.Array().Get(0).AsInteger(), 7);
  EXPECT_TRUE(copy.Array().SameArray(a));

  VariantArray separate = a.Clone();
  a.Put(0, Variant(8));
  EXPECT_EQ(separate.Get(0).AsInteger(), 7);
  EXPECT_FALSE(separate.SameArray(a));
  EXPECT_THROW(Variant(1).Array(), EVariantInvalidOpError);
}

}  // namespace
}  // namespace kvr
