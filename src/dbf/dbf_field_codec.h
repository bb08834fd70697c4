// The text of one DBF field and the value it stands for, both ways. Decoding takes the
// field's characters straight from a record; encoding writes exactly Length characters.
//   C  text left-aligned, space-padded, cut to the width; code page 866 when `oem`
//   N  integers right-aligned; longer numbers keep their leftmost characters
//   N/F fixed point with the field's decimals and '.', rounded half away from zero
//   D  "yyyymmdd";  L  "T"/"F";  M  a block number like an integer
//   no value: spaces
#pragma once

#include <cstddef>
#include <string_view>

#include "common/trim.h"
#include "dataset/field_value.h"
#include "dbf/dbf_structure.h"

namespace kvr {

// Fills `value` from the field's characters and tells whether the field has a value;
// `value` nullptr only tests for a value (any non-blank character). Raises Exception
// "Unexpected field type." for types a DBF field cannot have, EConvertError for a date whose
// parts are not numbers.
bool DecodeDBFField(const TDBFField& field, std::string_view text, bool oem, FieldValue* value);

// Writes the field's Length characters at `out`; `value` nullptr writes spaces. Raises
// "Buffer must be 8 chars for date", "Buffer must be 1 char for boolean",
// "Unexpected field type.".
void EncodeDBFField(const TDBFField& field, const FieldValue* value, bool oem, char* out);

// Fixed-point text of `value` with `decimals` digits after '.', rounded half away from zero
// on its shortest decimal form (so 1.005 gives "1.01"). Returns the length written to `out`,
// which must hold kFixedTextMax characters. Not-finite values write nothing and return 0.
constexpr std::size_t kFixedTextMax = 600;  // 309 integer digits, 255 decimals, sign, point
std::size_t FormatFixed(double value, int decimals, char* out);

}  // namespace kvr
