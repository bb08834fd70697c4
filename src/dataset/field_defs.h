// Field definitions: what a dataset's columns are (name, type, size, precision), before any
// field object exists. A descendant fills them in InternalInitFieldDefs; a caller may add
// them by hand or copy them from another dataset (Assign) before creating a table.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "dataset/field_type.h"

namespace kvr {

class TFieldDef {
 public:
  TFieldDef(std::string name, FieldType type, int size, bool required, int field_no)
      : name_(std::move(name)),
        data_type_(type),
        size_(size),
        required_(required),
        field_no_(field_no) {}

  const std::string& Name() const { return name_; }
  FieldType DataType() const { return data_type_; }
  // Text width for String/Memo fields; 0 where the type has no size.
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  // Decimal digits (scale) of numeric columns; 0 when not given.
  int Precision() const { return precision_; }
  void SetPrecision(int precision) { precision_ = precision; }
  bool Required() const { return required_; }
  void SetRequired(bool required) { required_ = required; }
  // 1-based position among the dataset's physical columns.
  int FieldNo() const { return field_no_; }

 private:
  std::string name_;
  FieldType data_type_;
  int size_;
  int precision_ = 0;
  bool required_;
  int field_no_;
};

class TFieldDefs {
 public:
  // Appends a definition; its FieldNo is its position from 1.
  TFieldDef& Add(std::string_view name, FieldType type, int size = 0, bool required = false);
  // Replaces this list by a copy of `source` (names, types, sizes, precisions).
  void Assign(const TFieldDefs& source);
  void Clear() { items_.clear(); }

  int Count() const { return static_cast<int>(items_.size()); }
  TFieldDef& operator[](int index) { return items_.at(index); }
  const TFieldDef& operator[](int index) const { return items_.at(index); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

  // Position of the definition of that name (Windows-1251, letter case ignored), or -1.
  int IndexOf(std::string_view name) const;
  // The definition of that name; raises EDatabaseError "Field '<name>' not found".
  TFieldDef& Find(std::string_view name);
  const TFieldDef& Find(std::string_view name) const;

 private:
  std::size_t IndexOfExisting(std::string_view name) const;  // raises as Find does

  std::vector<TFieldDef> items_;
};

}  // namespace kvr
