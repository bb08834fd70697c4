// The one numbering of field data types shared by query datasets, the DBF layer and the
// in-memory DBF table. The codes appear in error messages, so they never change.
#pragma once

#include <cstdint>

namespace kvr {

enum class FieldType : std::uint8_t {
  Unknown = 0,
  String = 1,
  Smallint = 2,
  Integer = 3,
  Word = 4,
  Boolean = 5,
  Float = 6,
  Currency = 7,
  BCD = 8,
  Date = 9,
  Time = 10,
  DateTime = 11,
  Blob = 15,
  Memo = 16,
  Graphic = 17,
  DBaseOle = 20,
  Largeint = 25,
  TimeStamp = 36,
  FMTBcd = 37,
};

// The code as it appears in messages ("Invalid field type: 4").
constexpr int FieldTypeCode(FieldType type) { return static_cast<int>(type); }

// Which member of a FieldValue carries a field's value (see field_value.h).
enum class ValueKind : std::uint8_t { Text, Integer, Float, Boolean, DateTime };

constexpr ValueKind NativeKind(FieldType type) {
  switch (type) {
    case FieldType::Smallint:
    case FieldType::Integer:
    case FieldType::Word:
    case FieldType::Largeint: return ValueKind::Integer;
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd: return ValueKind::Float;
    case FieldType::Boolean: return ValueKind::Boolean;
    case FieldType::Date:
    case FieldType::Time:
    case FieldType::DateTime:
    case FieldType::TimeStamp: return ValueKind::DateTime;
    default:  // String, Memo, Blob, Graphic, DBaseOle, Unknown: bytes as text
      return ValueKind::Text;
  }
}

}  // namespace kvr
