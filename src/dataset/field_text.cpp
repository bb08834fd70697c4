#include "dataset/field_text.h"

#include <charconv>
#include <cmath>

#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/number_text.h"
#include "common/variant.h"

namespace kvr {

void AppendIntegerText(std::int64_t value, std::string& out) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

std::string DateTimeText(FieldType type, TDateTime value) {
  DateTimeParts parts = DecodeDateTime(value);
  const bool with_date = type != FieldType::Time;
  const bool with_time = type == FieldType::Time ||
                         (type != FieldType::Date && (parts.time.hour || parts.time.minute ||
                                                      parts.time.second || parts.time.msec));
  std::string text;
  if (with_date)
    text = Format("%.2d.%.2d.%.4d", {parts.date.day, parts.date.month, parts.date.year});
  if (with_time) {
    if (!text.empty()) text += ' ';
    text += Format("%.2d:%.2d:%.2d", {parts.time.hour, parts.time.minute, parts.time.second});
  }
  return text;
}

std::int64_t TextToInteger(std::string_view text) {
  std::int64_t value = 0;
  if (!TryParseInt64(text, value))
    throw EConvertError(Format("'%s' is not a valid integer value", {text}));
  return value;
}

double TextToFloat(std::string_view text) {
  double value = 0;
  if (!TryParseFloat(text, value))
    throw EConvertError(Format("'%s' is not a valid floating point value", {text}));
  return value;
}

TDateTime TextToDateTime(std::string_view text) {
  try {
    return Variant(text).AsDateTime();
  } catch (const EVariantError&) {
    throw EConvertError(Format("'%s' is not a valid date and time", {text}));
  }
}

std::int64_t RoundHalfEven(double value) {
  double rounded = std::nearbyint(value);  // the default rounding mode is to nearest, ties even
  if (!(rounded >= -9.2233720368547758e18 && rounded < 9.2233720368547758e18))
    throw EConvertError(Format("%s is not a valid integer value", {FloatToText(value)}));
  return static_cast<std::int64_t>(rounded);
}

}  // namespace kvr
