// Typed access to fields: conversions between the accessors, nulls, refusals and
// assignment between fields of different datasets and types.
#include "dataset/field.h"

#include <gtest/gtest.h>

#include "dbf/mem_dbf_table.h"
#include "support/error_of.h"
#include "vector_data_set.h"

namespace kvr {
namespace {

using test::ErrorOf;
using test::VectorDataSet;

VectorDataSet OneOfEach() {
  return VectorDataSet({{"S", FieldType::String, 10},
                        {"I", FieldType::Integer, 0},
                        {"F", FieldType::Float, 0},
                        {"B", FieldType::Boolean, 0},
                        {"D", FieldType::DateTime, 0},
                        {"L", FieldType::Largeint, 0},
                        {"NUM", FieldType::String, 10},
                        {"NUL", FieldType::Integer, 0}},
                       {{Variant("Yes"), Variant(std::int32_t{-7}), Variant(2.5), Variant(true),
                         Variant::FromDateTime(EncodeDateTime(2026, 12, 7, 13, 19, 5, 0)),
                         Variant(std::int64_t{5'000'000'000}), Variant(" 12 "), Variant::Null()}});
}

TEST(Field, ReadsEveryTypeThroughEveryAccessor) {
  VectorDataSet ds = OneOfEach();
  ds.Open();
  TField &s = ds.FieldByName("S"), &i = ds.FieldByName("I"), &f = ds.FieldByName("F"),
         &b = ds.FieldByName("B"), &d = ds.FieldByName("D"), &l = ds.FieldByName("L"),
         &num = ds.FieldByName("NUM"), &nul = ds.FieldByName("NUL");
  EXPECT_EQ(s.AsString(), "Yes");
  EXPECT_TRUE(s.AsBoolean());
  EXPECT_EQ(i.AsString(), "-7");
  EXPECT_DOUBLE_EQ(i.AsFloat(), -7);
  EXPECT_EQ(f.AsString(), "2.5");
  EXPECT_EQ(f.AsInteger(), 2);  // half to even
  EXPECT_EQ(b.AsString(), "True");
  EXPECT_EQ(d.AsString(), "07.12.2026 13:19:05");
  EXPECT_EQ(l.AsLargeInt(), 5'000'000'000);
  EXPECT_EQ(l.AsVariant().Type(), VT_I8);
  EXPECT_EQ(i.AsVariant().Type(), VT_I4);
  EXPECT_EQ(d.AsVariant().Type(), VT_DATE);
  EXPECT_EQ(num.AsInteger(), 12);
  EXPECT_DOUBLE_EQ(num.AsFloat(), 12);

  EXPECT_TRUE(nul.IsNull());
  EXPECT_EQ(nul.AsString(), "");
  EXPECT_EQ(nul.AsInteger(), 0);
  EXPECT_TRUE(nul.AsVariant().IsNull());

  EXPECT_EQ(ErrorOf([&] { (void)s.AsInteger(); }), "'Yes' is not a valid integer value");
  EXPECT_EQ(ErrorOf([&] { (void)s.AsFloat(); }), "'Yes' is not a valid floating point value");
  EXPECT_EQ(ErrorOf([&] { (void)l.AsInteger(); }), "'5000000000' is not a valid integer value");
  EXPECT_EQ(ErrorOf([&] { (void)b.AsInteger(); }), "Cannot access field 'B' as type Integer");
  EXPECT_EQ(ErrorOf([&] { (void)i.AsBoolean(); }), "Cannot access field 'I' as type Boolean");
  EXPECT_EQ(ErrorOf([&] { (void)i.AsDateTime(); }), "Cannot access field 'I' as type DateTime");
}

// Every value of a source row assigned to table fields of each kind.
TEST(Field, AssignConvertsAcrossDatasetsAndTypes) {
  VectorDataSet source = OneOfEach();
  source.Open();
  TMemDBFTable table;
  table.FieldDefs().Add("S", FieldType::String, 30);
  table.FieldDefs().Add("I", FieldType::Integer);
  table.FieldDefs().Add("F", FieldType::Float);
  table.FieldDefs().Add("B", FieldType::Boolean);
  table.FieldDefs().Add("D", FieldType::Date);
  table.CreateTable();
  table.Open();

  struct Case {
    const char* from;
    const char* to;
    std::string text;  // the table field's AsString afterwards; "!" + message for an error
  };
  const Case cases[] = {
      {"I", "S", "-7"},
      {"F", "S", "2.5"},
      {"B", "S", "True"},
      {"D", "S", "07.12.2026 13:19:05"},
      {"S", "S", "Yes"},
      {"NUM", "I", "12"},
      {"F", "I", "2"},
      {"S", "I", "!Could not convert variant of type (String) into type (Int64)"},
      {"I", "F", "-7"},
      {"NUM", "F", "12"},
      {"B", "B", "True"},
      {"I", "B", "True"},
      {"D", "D", "07.12.2026"},
      {"NUL", "S", ""},
      {"NUL", "I", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.from) + " -> " + c.to);
    table.Append();
    TField& target = table.FieldByName(c.to);
    const std::string error = ErrorOf([&] { target.Assign(source.FieldByName(c.from)); });
    if (c.text.starts_with("!")) {
      EXPECT_EQ("!" + error, c.text);
      table.Cancel();
      continue;
    }
    EXPECT_EQ(error, "(no error)");
    EXPECT_EQ(target.AsString(), c.text);
    table.Post();
    EXPECT_EQ(target.AsString(), c.text);  // the same after a round trip through the record
  }
}

// The copy step's forms: a null source changes nothing, a value is assigned as by Assign.
TEST(Field, AssignUnlessNullAndTryGetDateTimeSkipNulls) {
  VectorDataSet source = OneOfEach();
  source.Open();
  TMemDBFTable table;
  table.FieldDefs().Add("S", FieldType::String, 30);
  table.FieldDefs().Add("I", FieldType::Integer);
  table.CreateTable();
  table.Open();
  TField &s = table.FieldByName("S"), &i = table.FieldByName("I");
  const TField& nul = source.FieldByName("NUL");

  table.Append();
  EXPECT_FALSE(s.AssignUnlessNull(nul));
  EXPECT_FALSE(table.Modified());  // a row of nulls stays unmodified
  s.SetAsString("kept");
  EXPECT_FALSE(s.AssignUnlessNull(nul));
  EXPECT_EQ(s.AsString(), "kept");
  EXPECT_TRUE(s.AssignUnlessNull(source.FieldByName("S")));
  EXPECT_EQ(s.AsString(), "Yes");
  EXPECT_TRUE(i.AssignUnlessNull(source.FieldByName("F")));  // another kind: converted
  EXPECT_EQ(i.AsInteger(), 2);
  EXPECT_EQ(ErrorOf([&] { i.AssignUnlessNull(source.FieldByName("S")); }),
            "Could not convert variant of type (String) into type (Int64)");
  table.Post();
  EXPECT_EQ(s.AsString(), "Yes");

  VectorDataSet dates({{"D", FieldType::DateTime, 0}, {"T", FieldType::String, 20}},
                      {{Variant::Null(), Variant::Null()},
                       {Variant::FromDateTime(EncodeDateTime(2026, 12, 7, 13, 19, 5, 0)),
                        Variant("07.12.2026 13:19:05")}});
  dates.Open();
  TField &d = dates.FieldByName("D"), &t = dates.FieldByName("T");
  TDateTime value = 42;
  EXPECT_FALSE(d.TryGetDateTime(value));
  EXPECT_FALSE(t.TryGetDateTime(value));
  EXPECT_EQ(value, 42);
  dates.Next();
  ASSERT_TRUE(d.TryGetDateTime(value));
  EXPECT_EQ(value, EncodeDateTime(2026, 12, 7, 13, 19, 5, 0));
  value = 0;
  ASSERT_TRUE(t.TryGetDateTime(value));  // text read as AsDateTime reads it
  EXPECT_EQ(value, EncodeDateTime(2026, 12, 7, 13, 19, 5, 0));
  EXPECT_EQ(ErrorOf([&] { nul.TryGetDateTime(value); }),
            "Cannot access field 'NUL' as type DateTime");
}

TEST(Field, WritesCheckRangesAndTexts) {
  TMemDBFTable table;
  table.FieldDefs().Add("SM", FieldType::Smallint);
  table.FieldDefs().Add("B", FieldType::Boolean);
  table.FieldDefs().Add("F", FieldType::Float);
  table.FieldDefs().Add("D", FieldType::Date);
  table.CreateTable();
  table.Open();
  table.Append();
  // The table stores Smallint as Integer; the check is the field's own.
  EXPECT_EQ(table.FieldByName("SM").DataType(), FieldType::Integer);
  EXPECT_EQ(ErrorOf([&] { table.FieldByName("SM").SetAsLargeInt(5'000'000'000); }),
            "5000000000 is not a valid value for field 'SM'. The allowed range is "
            "-2147483648 to 2147483647");
  table.FieldByName("B").SetAsString("t");
  EXPECT_TRUE(table.FieldByName("B").AsBoolean());
  table.FieldByName("B").SetAsString("FALSE");
  EXPECT_FALSE(table.FieldByName("B").AsBoolean());
  EXPECT_EQ(ErrorOf([&] { table.FieldByName("B").SetAsString("maybe"); }),
            "'maybe' is not a valid boolean value for field 'B'");
  EXPECT_EQ(ErrorOf([&] { table.FieldByName("F").SetAsString("1,5"); }),
            "'1,5' is not a valid floating point value");
  table.FieldByName("F").SetAsString("");
  EXPECT_TRUE(table.FieldByName("F").IsNull());
  table.FieldByName("D").SetAsString("2026-12-07");
  EXPECT_EQ(table.FieldByName("D").AsDateTime(), EncodeDate(2026, 12, 7));
  table.FieldByName("D").Clear();
  EXPECT_TRUE(table.FieldByName("D").IsNull());
  EXPECT_EQ(ErrorOf([&] { table.FieldByName("D").SetAsBoolean(true); }),
            "Cannot access field 'D' as type Boolean");
}

}  // namespace
}  // namespace kvr
