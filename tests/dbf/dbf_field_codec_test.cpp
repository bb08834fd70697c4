// Field texts: what each type's value looks like in a record, both ways.
#include "dbf/dbf_field_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/text.h"

namespace kvr {
namespace {

using namespace kvr::literals;

TDBFField Field(FieldType type, int length, int decimals = 0) {
  TDBFField field;
  field.Name = "F";
  field.DataType = type;
  field.Length = static_cast<std::uint16_t>(length);
  field.Decimals = static_cast<std::uint8_t>(decimals);
  return field;
}

std::string Encode(const TDBFField& field, const FieldValue* value, bool oem = false) {
  std::string out(field.Length, '#');
  EncodeDBFField(field, value, oem, out.data());
  return out;
}

FieldValue Text(std::string_view text) {
  FieldValue v;
  v.text = text;
  return v;
}
FieldValue Int(std::int64_t i) {
  FieldValue v;
  v.integer = i;
  return v;
}
FieldValue Num(double d) {
  FieldValue v;
  v.number = d;
  return v;
}

TEST(DBFFieldEncode, EachTypesText) {
  const FieldValue abc = Text("abc"), abcdef = Text("abcdef");
  EXPECT_EQ(Encode(Field(FieldType::String, 12), &abc), "abc         ");
  EXPECT_EQ(Encode(Field(FieldType::String, 4), &abcdef), "abcd");
  const FieldValue minus42 = Int(-42), big = Int(1234567);
  EXPECT_EQ(Encode(Field(FieldType::Integer, 11), &minus42), "        -42");
  EXPECT_EQ(Encode(Field(FieldType::Integer, 5), &big), "12345");
  const FieldValue price = Num(12.345), huge = Num(123456.75);
  EXPECT_EQ(Encode(Field(FieldType::Float, 10, 2), &price), "     12.35");
  EXPECT_EQ(Encode(Field(FieldType::Float, 6, 2), &huge), "123456");  // cut like an integer
  EXPECT_EQ(Encode(Field(FieldType::Float, 5, 0), &price), "   12");
  const FieldValue nan = Num(std::nan(""));
  EXPECT_EQ(Encode(Field(FieldType::Float, 5, 1), &nan), "     ");
  const FieldValue day = Num(46363.75);  // 7 December 2026, evening
  EXPECT_EQ(Encode(Field(FieldType::Date, 8), &day), "20261207");
  FieldValue yes;
  yes.boolean = true;
  EXPECT_EQ(Encode(Field(FieldType::Boolean, 1), &yes), "T");
  const FieldValue block = Text(" 17 ");
  EXPECT_EQ(Encode(Field(FieldType::Memo, 10), &block), "        17");
  EXPECT_EQ(Encode(Field(FieldType::Integer, 4), nullptr), "    ");
}

TEST(DBFFieldEncode, OemConvertsCyrillic) {
  const FieldValue hello = Text("Привет"_w);
  const std::string oem = Encode(Field(FieldType::String, 8), &hello, true);
  EXPECT_EQ(oem, codepage::AnsiToOem("Привет"_w) + "  ");
  EXPECT_EQ(static_cast<unsigned char>(oem[0]), 0x8F);  // 'П' in code page 866
  FieldValue back;
  EXPECT_TRUE(DecodeDBFField(Field(FieldType::String, 8), oem, true, &back));
  EXPECT_EQ(back.text, "Привет"_w);
}

TEST(DBFFieldEncode, RefusesWidthsTheTypeCannotHave) {
  const FieldValue day = Num(46363);
  try {
    Encode(Field(FieldType::Date, 10), &day);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Buffer must be 8 chars for date");
  }
  FieldValue yes;
  try {
    Encode(Field(FieldType::Boolean, 2), &yes);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Buffer must be 1 char for boolean");
  }
  try {
    Encode(Field(FieldType::Time, 8), &yes);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Unexpected field type.");
  }
}

// Without a value every type writes spaces, and a width or type that cannot be is refused
// all the same.
TEST(DBFFieldEncode, NoValueWritesSpacesAndIsCheckedAlike) {
  const std::pair<FieldType, int> blanks[] = {
      {FieldType::String, 5},   {FieldType::Integer, 11}, {FieldType::Smallint, 4},
      {FieldType::Largeint, 3}, {FieldType::Memo, 10},    {FieldType::Float, 20},
      {FieldType::Currency, 6}, {FieldType::BCD, 2},      {FieldType::FMTBcd, 7},
      {FieldType::Date, 8},     {FieldType::Boolean, 1}};
  for (const auto& [type, width] : blanks)
    EXPECT_EQ(Encode(Field(type, width, 2), nullptr), std::string(width, ' '))
        << FieldTypeCode(type);
  const std::pair<TDBFField, const char*> refused[] = {
      {Field(FieldType::Date, 10), "Buffer must be 8 chars for date"},
      {Field(FieldType::Boolean, 2), "Buffer must be 1 char for boolean"},
      {Field(FieldType::Time, 8), "Unexpected field type."},
      {Field(FieldType::DateTime, 30), "Unexpected field type."}};
  for (const auto& [field, message] : refused) {
    try {
      Encode(field, nullptr);
      ADD_FAILURE() << message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), message);
    }
  }
}

TEST(DBFFieldDecode, ValuesAndNulls) {
  FieldValue v;
  // Strings: trailing spaces go, an empty text is still a value; a blank field tests null.
  EXPECT_TRUE(DecodeDBFField(Field(FieldType::String, 6), "  ab  ", false, &v));
  EXPECT_EQ(v.text, "  ab");
  EXPECT_TRUE(DecodeDBFField(Field(FieldType::String, 3), "   ", false, &v));
  EXPECT_EQ(v.text, "");
  // The padding is spaces only: a tab or a control byte at the end is part of the text.
  const std::pair<const char*, const char*> padded[] = {
      {"ab\t   ", "ab\t"}, {"\t     ", "\t"}, {"ab\r\n  ", "ab\r\n"}, {"a \t \t ", "a \t \t"}};
  for (const auto& [text, kept] : padded) {
    EXPECT_TRUE(DecodeDBFField(Field(FieldType::String, 6), text, false, &v));
    EXPECT_EQ(v.text, kept) << '[' << text << ']';
  }
  EXPECT_FALSE(DecodeDBFField(Field(FieldType::String, 3), "   ", false, nullptr));
  EXPECT_TRUE(DecodeDBFField(Field(FieldType::String, 3), " a ", false, nullptr));

  struct IntCase {
    const char* text;
    bool has;
    std::int64_t value;
  };
  for (const IntCase& c :
       {IntCase{"   -42", true, -42}, IntCase{"      ", false, 0}, IntCase{" 12x  ", false, 0},
        IntCase{"99999999999", true, 99999999999}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(DecodeDBFField(Field(FieldType::Integer, 11), c.text, false, &v), c.has);
    EXPECT_EQ(v.integer, c.value);
  }
  EXPECT_TRUE(DecodeDBFField(Field(FieldType::Float, 8, 2), "   12.50", false, &v));
  EXPECT_DOUBLE_EQ(v.number, 12.5);
  EXPECT_FALSE(DecodeDBFField(Field(FieldType::Float, 8, 2), "   12,50", false, &v));
  EXPECT_FALSE(DecodeDBFField(Field(FieldType::Float, 8, 2), "        ", false, &v));

  struct BoolCase {
    const char* text;
    bool has, value;
  };
  for (const BoolCase& c :
       {BoolCase{"T", true, true}, BoolCase{"Y", true, true}, BoolCase{"S", true, true},
        BoolCase{"F", true, false}, BoolCase{"N", true, false}, BoolCase{"y", false, false},
        BoolCase{"?", false, false}, BoolCase{" ", false, false}}) {
    SCOPED_TRACE(c.text);
    v.boolean = false;
    EXPECT_EQ(DecodeDBFField(Field(FieldType::Boolean, 1), c.text, false, &v), c.has);
    if (c.has) {
      EXPECT_EQ(v.boolean, c.value);
    }
  }

  EXPECT_TRUE(DecodeDBFField(Field(FieldType::Date, 8), "20261207", false, &v));
  EXPECT_DOUBLE_EQ(v.number, 46363);
  EXPECT_FALSE(DecodeDBFField(Field(FieldType::Date, 8), "00000000", false, &v));
  EXPECT_FALSE(DecodeDBFField(Field(FieldType::Date, 8), "        ", false, &v));
  EXPECT_FALSE(DecodeDBFField(Field(FieldType::Date, 8), "20261307", false, &v));  // month 13
  EXPECT_THROW(DecodeDBFField(Field(FieldType::Date, 8), "2026AB07", false, &v), EConvertError);
  // Memo contents are not read; the field reports a value.
  EXPECT_TRUE(DecodeDBFField(Field(FieldType::Memo, 10), "         3", false, &v));
  EXPECT_THROW(DecodeDBFField(Field(FieldType::DateTime, 8), "20261207", false, &v), Exception);
}

}  // namespace
}  // namespace kvr
