// Text forms of field values, the same on every machine: integers in decimal, floats with
// fifteen significant digits and '.', date-times as "dd.mm.yyyy[ hh:nn:ss]".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/date_time.h"
#include "dataset/field_type.h"

namespace kvr {

// Appends to `out` (no allocation once `out` has room).
void AppendIntegerText(std::int64_t value, std::string& out);
std::string DateTimeText(FieldType type, TDateTime value);

// Raise EConvertError "'<text>' is not a valid integer value" / "... floating point value" /
// "... date and time".
std::int64_t TextToInteger(std::string_view text);
double TextToFloat(std::string_view text);
TDateTime TextToDateTime(std::string_view text);

// Round half to even, as variant conversions round.
std::int64_t RoundHalfEven(double value);

}  // namespace kvr
