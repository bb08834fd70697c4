#include "dataset/field.h"

#include "codepage/code_page.h"
#include "common/format_text.h"
#include "common/number_text.h"
#include "dataset/data_set.h"
#include "dataset/field_text.h"

namespace kvr {

namespace {

struct IntegerRange {
  std::int64_t low, high;
};

IntegerRange RangeOf(FieldType type) {
  switch (type) {
    case FieldType::Smallint: return {-32768, 32767};
    case FieldType::Word: return {0, 65535};
    case FieldType::Integer: return {INT32_MIN, INT32_MAX};
    default: return {INT64_MIN, INT64_MAX};
  }
}

// A Boolean field's text: a non-empty prefix of "True" or "False", letter case ignored.
bool MatchesPrefix(std::string_view text, std::string_view word) {
  return !text.empty() && text.size() <= word.size() &&
         codepage::AnsiSameText(text, word.substr(0, text.size()));
}

}  // namespace

TField::TField(TDataSet& data_set, std::string name, FieldType type, int size, int field_no,
               FieldKind kind)
    : data_set_(data_set),
      name_(std::move(name)),
      type_(type),
      kind_(NativeKind(type)),
      field_kind_(kind),
      size_(size),
      field_no_(kind == FieldKind::Calculated ? 0 : field_no) {}

bool TField::Fetch() const { return data_set_.ReadField(*this, &value_); }

void TField::Store() { data_set_.WriteField(*this, &value_); }

void TField::AccessError(std::string_view type_name) const {
  throw EDatabaseError(Format("Cannot access field '%s' as type %s", {name_, type_name}));
}

bool TField::IsNull() const { return !data_set_.ReadField(*this, nullptr); }

void TField::Clear() { data_set_.WriteField(*this, nullptr); }

std::string TField::AsString() const {
  if (!Fetch()) return {};
  switch (kind_) {
    case ValueKind::Text: return value_.text;
    case ValueKind::Integer: {
      std::string text;
      AppendIntegerText(value_.integer, text);
      return text;
    }
    case ValueKind::Float: return FloatToText(value_.number);
    case ValueKind::Boolean: return value_.boolean ? "True" : "False";
    case ValueKind::DateTime: return DateTimeText(type_, value_.number);
  }
  return {};
}

std::int32_t TField::AsInteger() const {
  std::int64_t value = AsLargeInt();
  if (value < INT32_MIN || value > INT32_MAX)
    throw EConvertError(Format("'%s' is not a valid integer value", {AsString()}));
  return static_cast<std::int32_t>(value);
}

std::int64_t TField::AsLargeInt() const {
  switch (kind_) {
    case ValueKind::Text: return TextToInteger(Fetch() ? std::string_view(value_.text) : "");
    case ValueKind::Integer: return Fetch() ? value_.integer : 0;
    case ValueKind::Float: return Fetch() ? RoundHalfEven(value_.number) : 0;
    case ValueKind::Boolean:
    case ValueKind::DateTime: AccessError("Integer");
  }
  return 0;
}

double TField::AsFloat() const {
  switch (kind_) {
    case ValueKind::Text: return TextToFloat(Fetch() ? std::string_view(value_.text) : "");
    case ValueKind::Integer: return Fetch() ? static_cast<double>(value_.integer) : 0.0;
    case ValueKind::Float:
    case ValueKind::DateTime: return Fetch() ? value_.number : 0.0;
    case ValueKind::Boolean: AccessError("Float");
  }
  return 0;
}

TDateTime TField::AsDateTime() const {
  switch (kind_) {
    case ValueKind::Text: return TextToDateTime(Fetch() ? std::string_view(value_.text) : "");
    case ValueKind::DateTime: return Fetch() ? value_.number : 0.0;
    default: AccessError("DateTime");
  }
}

bool TField::TryGetDateTime(TDateTime& value) const {
  switch (kind_) {
    case ValueKind::Text:
      if (!Fetch()) return false;
      value = TextToDateTime(value_.text);
      return true;
    case ValueKind::DateTime:
      if (!Fetch()) return false;
      value = value_.number;
      return true;
    default: AccessError("DateTime");
  }
}

bool TField::AsBoolean() const {
  switch (kind_) {
    case ValueKind::Text: {
      if (!Fetch() || value_.text.empty()) return false;
      char first = value_.text[0];
      return first == 'T' || first == 't' || first == 'Y' || first == 'y';
    }
    case ValueKind::Boolean: return Fetch() && value_.boolean;
    default: AccessError("Boolean");
  }
}

Variant TField::AsVariant() const {
  if (!Fetch()) return Variant::Null();
  switch (kind_) {
    case ValueKind::Text: return Variant(value_.text);
    case ValueKind::Integer:
      if (type_ == FieldType::Largeint) return Variant(value_.integer);
      return Variant(static_cast<std::int32_t>(value_.integer));
    case ValueKind::Float: return Variant(value_.number);
    case ValueKind::Boolean: return Variant(value_.boolean);
    case ValueKind::DateTime: return Variant::FromDateTime(value_.number);
  }
  return {};
}

void TField::SetAsString(std::string_view value) {
  switch (kind_) {
    case ValueKind::Text:
      value_.text.assign(value);
      Store();
      return;
    case ValueKind::Integer:
      if (value.empty()) return Clear();
      return SetAsLargeInt(TextToInteger(value));
    case ValueKind::Float:
      if (value.empty()) return Clear();
      return SetAsFloat(TextToFloat(value));
    case ValueKind::Boolean:
      if (value.empty()) return Clear();
      if (MatchesPrefix(value, "False")) return SetAsBoolean(false);
      if (MatchesPrefix(value, "True")) return SetAsBoolean(true);
      throw EDatabaseError(
          Format("'%s' is not a valid boolean value for field '%s'", {value, name_}));
    case ValueKind::DateTime:
      if (value.empty()) return Clear();
      return SetAsDateTime(TextToDateTime(value));
  }
}

void TField::SetAsInteger(std::int32_t value) { SetAsLargeInt(value); }

void TField::SetAsLargeInt(std::int64_t value) {
  switch (kind_) {
    case ValueKind::Text:
      value_.text.clear();
      AppendIntegerText(value, value_.text);
      return Store();
    case ValueKind::Integer: {
      IntegerRange range = RangeOf(type_);
      if (value < range.low || value > range.high)
        throw EDatabaseError(
            Format("%d is not a valid value for field '%s'. The allowed range is %d to %d",
                   {static_cast<long long>(value), name_, static_cast<long long>(range.low),
                    static_cast<long long>(range.high)}));
      value_.integer = value;
      return Store();
    }
    case ValueKind::Float: value_.number = static_cast<double>(value); return Store();
    default: AccessError("Integer");
  }
}

void TField::SetAsFloat(double value) {
  switch (kind_) {
    case ValueKind::Text: value_.text = FloatToText(value); return Store();
    case ValueKind::Integer: return SetAsLargeInt(RoundHalfEven(value));
    case ValueKind::Float:
    case ValueKind::DateTime: value_.number = value; return Store();
    case ValueKind::Boolean: AccessError("Float");
  }
}

void TField::SetAsDateTime(TDateTime value) {
  switch (kind_) {
    case ValueKind::Text: value_.text = DateTimeText(FieldType::DateTime, value); return Store();
    case ValueKind::DateTime: value_.number = value; return Store();
    default: AccessError("DateTime");
  }
}

void TField::SetAsBoolean(bool value) {
  switch (kind_) {
    case ValueKind::Text: value_.text.assign(1, value ? 'T' : 'F'); return Store();
    case ValueKind::Boolean: value_.boolean = value; return Store();
    default: AccessError("Boolean");
  }
}

void TField::SetAsVariant(const Variant& value) {
  if (value.IsEmptyOrNull()) return Clear();
  switch (kind_) {
    case ValueKind::Text:
      if (value.IsText()) return SetAsString(value.StoredText());
      return SetAsString(value.AsText());
    case ValueKind::Integer: return SetAsLargeInt(value.AsInt64());
    case ValueKind::Float: return SetAsFloat(value.AsFloat());
    case ValueKind::Boolean: return SetAsBoolean(value.AsBoolean());
    case ValueKind::DateTime: return SetAsDateTime(value.AsDateTime());
  }
}

void TField::Assign(const TField& source) {
  if (!AssignUnlessNull(source)) Clear();
}

bool TField::AssignUnlessNull(const TField& source) {
  if (!source.Fetch()) return false;
  if (source.kind_ != kind_) {
    SetAsVariant(source.AsVariant());
    return true;
  }
  // Same kind: copy the native value without a detour through a variant.
  switch (kind_) {
    case ValueKind::Text:
      if (&source != this) value_.text.assign(source.value_.text);
      break;
    case ValueKind::Integer: SetAsLargeInt(source.value_.integer); return true;
    case ValueKind::Float:
    case ValueKind::DateTime: value_.number = source.value_.number; break;
    case ValueKind::Boolean: value_.boolean = source.value_.boolean; break;
  }
  Store();
  return true;
}

}  // namespace kvr
