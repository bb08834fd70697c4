// TField: one column of a dataset's current record, with typed accessors. A field holds no
// value of its own: every read asks the dataset (GetFieldData) for the active record's value,
// every write hands the value to it (SetFieldData). Conversions between the accessors follow
// the field's type:
//   - String fields: numbers and dates to text and back (EConvertError on bad text), Boolean
//     from the first character (T, t, Y, y are true) and to "T"/"F".
//   - Integer fields (Smallint, Integer, Word, Largeint): text parsed as an integer, floats
//     rounded half to even; Boolean access is refused.
//   - Float fields (Float, Currency, BCD, FMTBcd): text parsed with '.' as the decimal point;
//     AsInteger rounds half to even.
//   - Boolean fields: "True"/"False" as text.
//   - Date/time fields: "dd.mm.yyyy[ hh:nn:ss]" as text (the time part when it is not 0).
// Access a type does not support raises EDatabaseError "Cannot access field '<name>' as type
// <type>". A null field reads as "", 0, 0.0, false and date 0; IsNull tells it apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/date_time.h"
#include "common/variant.h"
#include "dataset/field_type.h"
#include "dataset/field_value.h"

namespace kvr {

class TDataSet;

enum class FieldKind : std::uint8_t { Data, Calculated };

class TField {
 public:
  TField(TDataSet& data_set, std::string name, FieldType type, int size, int field_no,
         FieldKind kind = FieldKind::Data);
  TField(const TField&) = delete;
  TField& operator=(const TField&) = delete;
  virtual ~TField() = default;

  TDataSet& DataSet() const { return data_set_; }
  const std::string& FieldName() const { return name_; }
  FieldType DataType() const { return type_; }
  ValueKind Kind() const { return kind_; }
  FieldKind GetFieldKind() const { return field_kind_; }
  // Width of String/Memo fields, 0 for the others.
  int Size() const { return size_; }
  // 1-based physical column number; 0 for calculated fields (a dataset stores no data for them).
  int FieldNo() const { return field_no_; }
  // Position in the dataset's field list.
  int Index() const { return index_; }

  bool IsNull() const;
  void Clear();

  std::string AsString() const;
  std::int32_t AsInteger() const;
  std::int64_t AsLargeInt() const;
  double AsFloat() const;
  TDateTime AsDateTime() const;
  // AsDateTime of a field with a value; false (and `value` untouched) for a null field. One
  // read of the record where IsNull and AsDateTime make two.
  bool TryGetDateTime(TDateTime& value) const;
  bool AsBoolean() const;
  // Null for a null field; else a variant of the field's native type (VT_BSTR, VT_I4/VT_I8,
  // VT_R8, VT_BOOL, VT_DATE).
  Variant AsVariant() const;

  void SetAsString(std::string_view value);
  void SetAsInteger(std::int32_t value);
  void SetAsLargeInt(std::int64_t value);
  void SetAsFloat(double value);
  void SetAsDateTime(TDateTime value);
  void SetAsBoolean(bool value);
  // Empty and Null clear the field; other variants are converted to the field's type.
  void SetAsVariant(const Variant& value);

  // Takes the value of another field (of any dataset): null clears, otherwise the source's
  // value converted to this field's type, as a variant assignment would.
  void Assign(const TField& source);
  // Assign for copies that skip nulls: a null source leaves this field (and the record's
  // Modified state) as it is and returns false. Reads the source once, where IsNull and
  // Assign read it twice.
  bool AssignUnlessNull(const TField& source);

 private:
  friend class TDataSet;
  // Reads the active record's value into value_; false when it is null.
  bool Fetch() const;
  void Store();
  [[noreturn]] void AccessError(std::string_view type_name) const;
  void SetIndex(int index) { index_ = index; }

  TDataSet& data_set_;
  std::string name_;
  FieldType type_;
  ValueKind kind_;
  FieldKind field_kind_;
  int size_;
  int field_no_;
  int index_ = -1;
  mutable FieldValue value_;  // scratch for reads and writes; reused, so rows don't allocate
  FieldValue calculated_;     // the value of a calculated field for the current record
  bool calculated_null_ = true;
};

}  // namespace kvr
