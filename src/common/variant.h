// Variant: a value of one of the OLE variant types, with the conversions and comparisons of
// OLE/Delphi variants. Texts are Windows-1251 byte strings (std::string); the host ABI turns
// them into UTF-16 wide strings at the library's edge.
//
// Conversions (AsInteger, AsText, ...) follow the variant rules the system relies on:
//   - Empty converts to 0, 0.0, false, "" and date 0; Null raises (except VarToStr).
//   - Floating-point values convert to integers by rounding half to even; out of range raises
//     EVariantOverflowError.
//   - Booleans are -1 (true) and 0 (false) as numbers, "True"/"False" as text.
//   - Texts convert to numbers locale-independently ('.' is the decimal separator), to Booleans
//     from "True"/"False" (any case) or a number, to date-times from "yyyy-mm-dd[
//     hh:nn[:ss[.zzz]]]", "dd.mm.yyyy[ hh:nn[:ss[.zzz]]]" or a day number.
//   - Date-times convert to text as "dd.mm.yyyy" with " hh:nn:ss" added when the time is not 0.
// A failed conversion raises EVariantTypeCastError
// "Could not convert variant of type (String) into type (Integer)".
//
// Variant arrays have one or two dimensions with bounds. A Variant holding an array shares it:
// copies are cheap and see the same elements (Clone makes a separate copy).
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <variant>

#include "common/date_time.h"
#include "common/exceptions.h"

namespace kvr {

KVR_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError);
KVR_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);

using VarType = std::uint16_t;
inline constexpr VarType VT_EMPTY = 0;
inline constexpr VarType VT_NULL = 1;
inline constexpr VarType VT_I2 = 2;
inline constexpr VarType VT_I4 = 3;
inline constexpr VarType VT_R8 = 5;
inline constexpr VarType VT_DATE = 7;
inline constexpr VarType VT_BSTR = 8;
inline constexpr VarType VT_BOOL = 11;
inline constexpr VarType VT_VARIANT = 12;
inline constexpr VarType VT_I8 = 20;
inline constexpr VarType VT_ARRAY = 0x2000;
inline constexpr VarType VT_TYPEMASK = 0x0FFF;

// The name of a variant type in error messages ("Integer", "String", "Array Variant", ...).
std::string VarTypeAsText(VarType type);

class Variant;

class VariantArray {
 public:
  // One dimension [low .. high]; high = low - 1 gives an empty array.
  VariantArray(int low, int high, VarType element_type = VT_VARIANT);
  // Two dimensions [low1 .. high1, low2 .. high2].
  VariantArray(int low1, int high1, int low2, int high2, VarType element_type = VT_VARIANT);

  int DimCount() const;
  // Bounds of dimension 1 or 2; another dimension raises EVariantBadIndexError.
  int LowBound(int dim = 1) const;
  int HighBound(int dim = 1) const;
  // VT_VARIANT, or the type every stored value is converted to (for example VT_BSTR).
  VarType ElementType() const;
  std::size_t ElementCount() const;

  // An index outside the bounds, or the wrong number of indices, raises EVariantBadIndexError.
  const Variant& Get(int index) const;
  const Variant& Get(int index1, int index2) const;
  void Put(int index, Variant value);
  void Put(int index1, int index2, Variant value);

  // A separate copy of the elements.
  VariantArray Clone() const;
  bool SameArray(const VariantArray& other) const { return data_ == other.data_; }

 private:
  struct Data;
  explicit VariantArray(std::shared_ptr<Data> data) : data_(std::move(data)) {}
  std::size_t Offset(int index) const;
  std::size_t Offset(int index1, int index2) const;
  Variant Coerce(Variant value) const;

  std::shared_ptr<Data> data_;
};

class Variant {
 public:
  Variant() = default;
  Variant(bool value) : type_(VT_BOOL), value_(value) {}
  Variant(std::int16_t value) : type_(VT_I2), value_(std::int64_t{value}) {}
  Variant(std::int32_t value) : type_(VT_I4), value_(std::int64_t{value}) {}
  Variant(std::int64_t value) : type_(VT_I8), value_(value) {}
  Variant(double value) : type_(VT_R8), value_(value) {}
  Variant(std::string value) : type_(VT_BSTR), value_(std::move(value)) {}
  Variant(std::string_view value) : type_(VT_BSTR), value_(std::string(value)) {}
  Variant(const char* value) : type_(VT_BSTR), value_(std::string(value ? value : "")) {}
  Variant(VariantArray value);

  static Variant Null();
  static Variant FromDateTime(TDateTime value);

  VarType Type() const { return type_; }
  bool IsEmpty() const { return type_ == VT_EMPTY; }
  bool IsNull() const { return type_ == VT_NULL; }
  bool IsEmptyOrNull() const { return type_ == VT_EMPTY || type_ == VT_NULL; }
  bool IsArray() const { return (type_ & VT_ARRAY) != 0; }
  bool IsText() const { return type_ == VT_BSTR; }
  bool IsNumeric() const;  // integers, floats and date-times (not Booleans)

  // The stored text without a copy; only for IsText() variants (else an empty text).
  const std::string& StoredText() const;
  // The array; a variant that is not an array raises EVariantInvalidOpError.
  const VariantArray& Array() const;

  std::string AsText() const;
  std::int32_t AsInteger() const;
  std::int64_t AsInt64() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;

  // The value converted to another simple type (raises as the As... functions do).
  Variant ChangeType(VarType type) const;

 private:
  using Storage =
      std::variant<std::monostate, std::int64_t, double, bool, std::string, VariantArray>;
  Variant(VarType type, Storage value) : type_(type), value_(std::move(value)) {}
  [[noreturn]] void RaiseCast(VarType target) const;
  std::int64_t RangeChecked(std::int64_t value, std::int64_t low, std::int64_t high,
                            VarType target) const;
  std::int64_t IntegerValue(VarType target, std::int64_t low, std::int64_t high) const;

  VarType type_ = VT_EMPTY;
  Storage value_;
};

// Delphi's VarToStr: Null and Empty give an empty text; everything else AsText.
std::string VarToStr(const Variant& value);

// Comparison as variants compare: numbers by value across types, a text against a number by
// converting the text (integer 3 equals text "3"; a text that is no number raises
// EVariantTypeCastError), texts byte by byte, Empty as 0 or "" next to a number or a text.
// Null equals only Null and is unordered against anything else. Arrays raise
// EVariantInvalidOpError.
std::partial_ordering VarCompare(const Variant& left, const Variant& right);
inline bool operator==(const Variant& left, const Variant& right) {
  return VarCompare(left, right) == std::partial_ordering::equivalent;
}
inline std::partial_ordering operator<=>(const Variant& left, const Variant& right) {
  return VarCompare(left, right);
}

}  // namespace kvr
