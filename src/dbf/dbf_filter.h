// The filter of a DBF table: "<field> <op> <value>", evaluated on a record's raw text.
//   - The operator is the first of >=, <=, <>, >, <, = (in that order) found anywhere in the
//     text; without one, or when the field is unknown, every record passes.
//   - No quoting: quote characters belong to the value.
//   - Strings: '=' means "contains" (equal with no_partial_compare), the others compare byte
//     by byte. The filter value is always read in upper case; case_insensitive upper-cases
//     the record value too (Windows-1251), so "NAME=ab" finds "CAB" but "cab" only then.
//   - Integer and Float: both sides as numbers, '.' or ',' as the decimal point; a side that
//     is no number refuses the record.
//   - Boolean: 1, T, Y, t, y are true, anything else false; false < true.
//   - Date: the record's "yyyymmdd" against a filter date "dd.mm.yyyy"; an invalid one refuses.
//   - Other types refuse every record.
#pragma once

#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "dbf/dbf_structure.h"

namespace kvr {

class DBFFilter {
 public:
  // Parses the text and binds it to a field of the list (by name, letter case ignored).
  DBFFilter(std::string_view filter, const DBFFieldList& fields);

  bool Passes(std::string_view record, bool oem, const FilterOptions& options) const;

 private:
  enum class Op { kGe, kLe, kNe, kGt, kLt, kEq };
  bool Compare(int order) const;

  const TDBFField* field_ = nullptr;  // nullptr: every record passes
  Op op_ = Op::kEq;
  std::string value_;
  // The filter value read once as a number and as a date (false when it is none).
  bool value_is_number_ = false, value_is_date_ = false;
  double value_number_ = 0, value_date_ = 0;
  mutable std::string left_, right_;  // scratch, so evaluating allocates nothing per record
};

}  // namespace kvr
