#include "common/variant.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "common/format_text.h"
#include "common/number_text.h"

namespace kvr {
namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

const char* SimpleTypeName(VarType type) {
  switch (type) {
    case VT_EMPTY: return "Empty";
    case VT_NULL: return "Null";
    case VT_I2: return "Smallint";
    case VT_I4: return "Integer";
    case VT_R8: return "Double";
    case VT_DATE: return "Date";
    case VT_BSTR: return "String";
    case VT_BOOL: return "Boolean";
    case VT_VARIANT: return "Variant";
    case VT_I8: return "Int64";
    default: return nullptr;
  }
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Reads an unsigned decimal field of 1..max_digits digits at pos; advances pos.
bool ReadNumber(std::string_view text, std::size_t& pos, int max_digits, int& out) {
  std::size_t start = pos;
  out = 0;
  while (pos < text.size() && pos - start < static_cast<std::size_t>(max_digits) &&
         text[pos] >= '0' && text[pos] <= '9')
    out = out * 10 + (text[pos++] - '0');
  return pos > start;
}

bool Expect(std::string_view text, std::size_t& pos, char c) {
  if (pos < text.size() && text[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// " hh:nn[:ss[.zzz]]" at pos (or nothing); adds the time to value.
bool ParseTimePart(std::string_view text, std::size_t pos, TDateTime& value) {
  if (pos == text.size()) return true;
  if (text[pos] != ' ' && text[pos] != 'T') return false;
  ++pos;
  int h = 0, n = 0, s = 0, ms = 0;
  if (!ReadNumber(text, pos, 2, h) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, n))
    return false;
  if (Expect(text, pos, ':')) {
    if (!ReadNumber(text, pos, 2, s)) return false;
    if (Expect(text, pos, '.')) {
      std::size_t start = pos;
      if (!ReadNumber(text, pos, 3, ms)) return false;
      for (std::size_t d = pos - start; d < 3; ++d) ms *= 10;
    }
  }
  TDateTime time;
  if (pos != text.size() || !TryEncodeTime(h, n, s, ms, time)) return false;
  value = value < 0 ? value - time : value + time;
  return true;
}

bool TryParseDateTime(std::string_view text, TDateTime& out) {
  text = Trimmed(text);
  std::size_t pos = 0;
  int a = 0, b = 0, c = 0;
  bool iso = false;
  if (ReadNumber(text, pos, 4, a) && pos == 4 && Expect(text, pos, '-')) {
    iso = true;
    if (!ReadNumber(text, pos, 2, b) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, c))
      return false;
  } else {
    pos = 0;
    if (!ReadNumber(text, pos, 2, a) || !Expect(text, pos, '.') || !ReadNumber(text, pos, 2, b) ||
        !Expect(text, pos, '.') || !ReadNumber(text, pos, 4, c)) {
      return TryParseFloat(text, out);
    }
  }
  TDateTime date;
  if (!(iso ? TryEncodeDate(a, b, c, date) : TryEncodeDate(c, b, a, date))) return false;
  if (!ParseTimePart(text, pos, date)) return false;
  out = date;
  return true;
}

std::string DateTimeToText(TDateTime value) {
  DateTimeParts p = DecodeDateTime(value);
  char buffer[40];
  int n =
      std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", p.date.day, p.date.month, p.date.year);
  const TimeParts& t = p.time;
  if (t.hour || t.minute || t.second || t.msec)
    n +=
        std::snprintf(buffer + n, sizeof buffer - n, " %02d:%02d:%02d", t.hour, t.minute, t.second);
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string IntegerToText(std::int64_t value) {
  char buffer[24];
  auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  (void)ec;
  return std::string(buffer, ptr);
}

}  // namespace

std::string VarTypeAsText(VarType type) {
  if (type & VT_ARRAY) {
    const char* element = SimpleTypeName(type & VT_TYPEMASK);
    return std::string("Array ") + (element ? element : "Unknown");
  }
  const char* name = SimpleTypeName(type);
  return name ? name : Format("Unknown type %d", {static_cast<int>(type)});
}

Variant::Variant(VariantArray value)
    : type_(static_cast<VarType>(VT_ARRAY | value.ElementType())), value_(std::move(value)) {}

Variant Variant::Null() { return Variant(VT_NULL, std::monostate{}); }

Variant Variant::FromDateTime(TDateTime value) { return Variant(VT_DATE, value); }

bool Variant::IsNumeric() const {
  switch (type_) {
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_R8:
    case VT_DATE: return true;
    default: return false;
  }
}

const std::string& Variant::StoredText() const {
  static const std::string kEmpty;
  const std::string* text = std::get_if<std::string>(&value_);
  return text ? *text : kEmpty;
}

const VariantArray& Variant::Array() const {
  const VariantArray* array = std::get_if<VariantArray>(&value_);
  if (!array) throw EVariantInvalidOpError("Variant is not an array");
  return *array;
}

void Variant::RaiseCast(VarType target) const {
  throw EVariantTypeCastError(Format("Could not convert variant of type (%s) into type (%s)",
                                     {VarTypeAsText(type_), VarTypeAsText(target)}));
}

std::int64_t Variant::RangeChecked(std::int64_t value, std::int64_t low, std::int64_t high,
                                   VarType target) const {
  if (value < low || value > high)
    throw EVariantOverflowError(
        Format("Overflow while converting variant of type (%s) into type (%s)",
               {VarTypeAsText(type_), VarTypeAsText(target)}));
  return value;
}

std::int64_t Variant::IntegerValue(VarType target, std::int64_t low, std::int64_t high) const {
  double real = 0;
  switch (type_) {
    case VT_EMPTY: return 0;
    case VT_I2:
    case VT_I4:
    case VT_I8: return RangeChecked(std::get<std::int64_t>(value_), low, high, target);
    case VT_BOOL: return std::get<bool>(value_) ? -1 : 0;
    case VT_R8:
    case VT_DATE: real = std::get<double>(value_); break;
    case VT_BSTR: {
      const std::string& text = std::get<std::string>(value_);
      std::int64_t integer;
      if (TryParseInt64(text, integer)) return RangeChecked(integer, low, high, target);
      if (!TryParseFloat(text, real)) {
        std::string_view t = Trimmed(text);
        if (EqualsIgnoringCase(t, "true")) return -1;
        if (EqualsIgnoringCase(t, "false")) return 0;
        RaiseCast(target);
      }
      break;
    }
    default: RaiseCast(target);
  }
  // Round half to even, as OLE does; -2^63 .. 2^63 (exclusive) is what int64 can hold.
  double rounded = std::nearbyint(real);
  if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
    RangeChecked(high, low, high - 1, target);  // raises the overflow error
  return RangeChecked(static_cast<std::int64_t>(rounded), low, high, target);
}

std::int32_t Variant::AsInteger() const {
  return static_cast<std::int32_t>(IntegerValue(VT_I4, kInt32Min, kInt32Max));
}

std::int64_t Variant::AsInt64() const { return IntegerValue(VT_I8, kInt64Min, kInt64Max); }

double Variant::AsFloat() const {
  switch (type_) {
    case VT_EMPTY: return 0;
    case VT_I2:
    case VT_I4:
    case VT_I8: return static_cast<double>(std::get<std::int64_t>(value_));
    case VT_BOOL: return std::get<bool>(value_) ? -1 : 0;
    case VT_R8:
    case VT_DATE: return std::get<double>(value_);
    case VT_BSTR: {
      double real;
      if (TryParseFloat(std::get<std::string>(value_), real)) return real;
      std::string_view t = Trimmed(std::get<std::string>(value_));
      if (EqualsIgnoringCase(t, "true")) return -1;
      if (EqualsIgnoringCase(t, "false")) return 0;
      RaiseCast(VT_R8);
    }
    default: RaiseCast(VT_R8);
  }
}

bool Variant::AsBoolean() const {
  switch (type_) {
    case VT_EMPTY: return false;
    case VT_I2:
    case VT_I4:
    case VT_I8: return std::get<std::int64_t>(value_) != 0;
    case VT_BOOL: return std::get<bool>(value_);
    case VT_R8:
    case VT_DATE: return std::get<double>(value_) != 0;
    case VT_BSTR: {
      std::string_view t = Trimmed(std::get<std::string>(value_));
      if (EqualsIgnoringCase(t, "true")) return true;
      if (EqualsIgnoringCase(t, "false")) return false;
      double real;
      if (TryParseFloat(t, real)) return real != 0;
      RaiseCast(VT_BOOL);
    }
    default: RaiseCast(VT_BOOL);
  }
}

TDateTime Variant::AsDateTime() const {
  switch (type_) {
    case VT_BSTR: {
      TDateTime value;
      if (TryParseDateTime(std::get<std::string>(value_), value)) return value;
      RaiseCast(VT_DATE);
    }
    case VT_BOOL: RaiseCast(VT_DATE);
    default: {
      // Numbers are day counts; the conversion error names Date, not Double.
      if (type_ == VT_NULL || IsArray()) RaiseCast(VT_DATE);
      return AsFloat();
    }
  }
}

std::string Variant::AsText() const {
  switch (type_) {
    case VT_EMPTY: return std::string();
    case VT_I2:
    case VT_I4:
    case VT_I8: return IntegerToText(std::get<std::int64_t>(value_));
    case VT_BOOL: return std::get<bool>(value_) ? "True" : "False";
    case VT_R8: return FloatToText(std::get<double>(value_));
    case VT_DATE: return DateTimeToText(std::get<double>(value_));
    case VT_BSTR: return std::get<std::string>(value_);
    default: RaiseCast(VT_BSTR);
  }
}

Variant Variant::ChangeType(VarType type) const {
  if (type == type_) return *this;
  switch (type) {
    case VT_EMPTY: return Variant();
    case VT_NULL: return Null();
    case VT_I2: return Variant(static_cast<std::int16_t>(IntegerValue(VT_I2, -32768, 32767)));
    case VT_I4: return Variant(AsInteger());
    case VT_I8: return Variant(AsInt64());
    case VT_R8: return Variant(AsFloat());
    case VT_DATE: return FromDateTime(AsDateTime());
    case VT_BSTR: return Variant(AsText());
    case VT_BOOL: return Variant(AsBoolean());
    case VT_VARIANT: return *this;
    default: RaiseCast(type);
  }
}

std::string VarToStr(const Variant& value) {
  return value.IsEmptyOrNull() ? std::string() : value.AsText();
}

}  // namespace kvr
