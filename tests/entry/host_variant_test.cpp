#include "entry/host_variant.h"

#include <gtest/gtest.h>

#include <cstring>

#include "entry_test_support.h"
#include "host_params.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

// A variant that owns what it points to for the length of a test.
struct OwnedVariant {
  kvr_variant v;
  OwnedVariant() { kvr_variant_init(&v); }
  ~OwnedVariant() { kvr_variant_clear(&v); }
};

TEST(HostVariant, SimpleTypes) {
  kvr_variant v;
  kvr_variant_init(&v);
  EXPECT_TRUE(FromHostVariant(v).IsEmpty());
  kvr_variant_set_null(&v);
  EXPECT_TRUE(FromHostVariant(v).IsNull());
  kvr_variant_set_i4(&v, -7);
  EXPECT_EQ(FromHostVariant(v).Type(), VT_I4);
  EXPECT_EQ(FromHostVariant(v).AsInteger(), -7);
  kvr_variant_set_i8(&v, 1LL << 40);
  EXPECT_EQ(FromHostVariant(v).AsInt64(), 1LL << 40);
  kvr_variant_set_date(&v, 46363.5);
  EXPECT_EQ(FromHostVariant(v).Type(), VT_DATE);
  EXPECT_DOUBLE_EQ(FromHostVariant(v).AsDateTime(), 46363.5);
  kvr_variant_set_bool(&v, 1);
  EXPECT_TRUE(FromHostVariant(v).AsBoolean());
  v.vt = KVR_VT_I2;
  v.value.i2 = -3;
  EXPECT_EQ(FromHostVariant(v).Type(), VT_I2);
  EXPECT_EQ(FromHostVariant(v).AsInteger(), -3);
}

TEST(HostVariant, TextsBecomeWindows1251) {
  OwnedVariant o;
  ASSERT_TRUE(kvr_variant_set_utf8(&o.v, "Наличные № 1 €"));
  Variant text = FromHostVariant(o.v);
  EXPECT_EQ(text.Type(), VT_BSTR);
  EXPECT_EQ(text.StoredText(), W("Наличные № 1 €"));
  // Characters without a Windows-1251 byte, and surrogate pairs, become one '?' each.
  ASSERT_TRUE(kvr_variant_set_utf8(&o.v,
                                   "a\xE4\xB8\xAD"
                                   "b\xF0\x9F\x98\x80"
                                   "c"));
  EXPECT_EQ(FromHostVariant(o.v).StoredText(), "a?b?c");
  kvr_variant nul_text;
  kvr_variant_init(&nul_text);
  nul_text.vt = KVR_VT_BSTR;  // a NULL BSTR is the empty text
  EXPECT_EQ(FromHostVariant(nul_text).StoredText(), "");
}

TEST(HostVariant, ArraysKeepBoundsAndElementTypes) {
  OwnedVariant o;
  const char* names[] = {"x", "y"};
  o.v = host_bstr_array(names, 2);
  Variant a = FromHostVariant(o.v);
  EXPECT_EQ(a.Type(), VT_ARRAY | VT_BSTR);
  EXPECT_EQ(a.Array().Get(1).AsText(), "y");

  OwnedVariant two;
  kvr_array* array = kvr_array_create(-1, 2, 5, 3);
  kvr_variant_set_i4(kvr_array_at(array, 0, 7), 42);
  kvr_variant_set_array(&two.v, array);
  Variant b = FromHostVariant(two.v);
  const VariantArray& elements = b.Array();
  EXPECT_EQ(elements.DimCount(), 2);
  EXPECT_EQ(elements.LowBound(1), -1);
  EXPECT_EQ(elements.HighBound(1), 0);
  EXPECT_EQ(elements.LowBound(2), 5);
  EXPECT_EQ(elements.HighBound(2), 7);
  EXPECT_EQ(elements.Get(0, 7).AsInteger(), 42);
  EXPECT_TRUE(elements.Get(-1, 5).IsEmpty());
}

// Descriptors a confused host might pass: each is an error, none is read out of bounds.
TEST(HostVariant, BadDescriptorsAreErrors) {
  kvr_variant element;
  kvr_variant_init(&element);
  kvr_array descriptor = SingleVariantDescriptor(&element);
  kvr_variant v;
  kvr_variant_init(&v);
  v.vt = KVR_VT_ARRAY | KVR_VT_VARIANT;
  v.value.array = &descriptor;
  EXPECT_NO_THROW(FromHostVariant(v));

  struct Case {
    const char* name;
    void (*spoil)(kvr_array&, kvr_variant&, kvr_variant&);
    bool access_violation;
  };
  const Case cases[] = {
      {"three dimensions", [](kvr_array& a, kvr_variant&, kvr_variant&) { a.dims = 3; }, false},
      {"no dimension", [](kvr_array& a, kvr_variant&, kvr_variant&) { a.dims = 0; }, false},
      {"element size", [](kvr_array& a, kvr_variant&, kvr_variant&) { a.element_size = 8; }, false},
      {"element type differs from the variant's",
       [](kvr_array& a, kvr_variant&, kvr_variant&) { a.element_type = KVR_VT_I4; }, false},
      {"huge count",
       [](kvr_array& a, kvr_variant&, kvr_variant&) { a.bounds[0].count = 0xFFFFFFFFu; }, false},
      {"bound overflow",
       [](kvr_array& a, kvr_variant&, kvr_variant&) {
         a.bounds[0].lower = 0x7FFFFFFF;
         a.bounds[0].count = 2;
       },
       false},
      {"high bound at the largest index (no index left past it to end a loop)",
       [](kvr_array& a, kvr_variant&, kvr_variant&) {
         a.bounds[0].lower = 0x7FFFFFFF;
         a.bounds[0].count = 1;
       },
       false},
      {"unknown element type", [](kvr_array&, kvr_variant& e, kvr_variant&) { e.vt = 99; }, false},
      {"by-reference element", [](kvr_array&, kvr_variant& e, kvr_variant&) { e.vt = 0x4003; },
       false},
      {"array that contains itself",
       [](kvr_array&, kvr_variant& e, kvr_variant& self) { e = self; }, false},
      {"null data", [](kvr_array& a, kvr_variant&, kvr_variant&) { a.data = nullptr; }, true},
      {"unmapped data",
       [](kvr_array& a, kvr_variant&, kvr_variant&) { a.data = reinterpret_cast<void*>(0x1000); },
       true},
      {"unmapped text",
       [](kvr_array&, kvr_variant& e, kvr_variant&) {
         e.vt = KVR_VT_BSTR;
         e.value.bstr = reinterpret_cast<kvr_bstr>(0x2004);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    kvr_array spoilt = descriptor;
    kvr_variant spoilt_element = element;
    spoilt.data = &spoilt_element;
    kvr_variant outer = v;
    outer.value.array = &spoilt;
    c.spoil(spoilt, spoilt_element, outer);
    if (c.access_violation)
      EXPECT_THROW(FromHostVariant(outer), EAccessViolation);
    else
      EXPECT_THROW(FromHostVariant(outer), EVariantBadVarTypeError);
  }
  v.value.array = reinterpret_cast<kvr_array*>(0x10);
  EXPECT_THROW(FromHostVariant(v), EAccessViolation);
}

TEST(HostVariant, TakeFreesGoodAnswersAndLeavesBadOnesAlone) {
  kvr_variant answer;
  kvr_variant_init(&answer);
  const char* names[] = {"a", "b", "c"};
  answer = host_names_array(names, 3);
  Variant taken = TakeHostVariant(answer);  // LeakSanitizer reports it if not freed
  EXPECT_EQ(answer.vt, KVR_VT_EMPTY);
  EXPECT_EQ(taken.Array().Get(2).AsText(), "c");

  answer.vt = KVR_VT_BSTR;
  answer.value.bstr = reinterpret_cast<kvr_bstr>(0x3000);
  EXPECT_THROW(TakeHostVariant(answer), EAccessViolation);
  EXPECT_EQ(answer.vt, KVR_VT_EMPTY);  // not freed, only forgotten
}

}  // namespace
}  // namespace kvr::test
