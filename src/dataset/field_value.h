// FieldValue: a field's value in its native form, the unit a field and its dataset exchange
// through TDataSet::GetFieldData / SetFieldData. Which member is meaningful follows
// NativeKind(field type):
//   Text     -> text     (Windows-1251 bytes; also memo and blob contents)
//   Integer  -> integer
//   Float    -> number
//   Boolean  -> boolean
//   DateTime -> number   (a TDateTime: days since 1899-12-30, time as the fraction)
// A field keeps one FieldValue as scratch space, so reading rows allocates nothing once the
// text capacity has grown to the longest value.
#pragma once

#include <cstdint>
#include <string>

namespace kvr {

struct FieldValue {
  std::string text;
  std::int64_t integer = 0;
  double number = 0;
  bool boolean = false;
};

}  // namespace kvr
