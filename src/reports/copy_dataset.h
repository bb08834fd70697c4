// CopyDataSet: moves every record of a source dataset (normally an open query) into an
// in-memory DBF table. Fields pair by name (letter case ignored); date-time values become text
// in the US or dotted form. What a table field without a partner in the source gets, and
// whether a row of nulls adds a record, is the caller's choice (MissingFields).
#pragma once

#include <functional>
#include <string_view>

#include "dataset/data_set.h"
#include "dbf/mem_dbf_table.h"

namespace kvr::reports {

enum class MissingFields {
  // The field stays null, and a source row whose paired fields are all null adds no record:
  // the table was made from the source's own field definitions.
  kLeaveNull,
  // "KA" gets false, numbers 0, text an empty string, other types null; every source row adds
  // a record. For a table that takes rows of several queries with different columns.
  kNeutralValues,
};

// What the library adds to the source's rows: a value the query leaves null (a row's shift),
// where one source row may stand for several records (a row in two shifts).
class RowExpansion {
 public:
  virtual ~RowExpansion() = default;
  // Before the first row, both datasets open.
  virtual void Start(TDataSet& source, TMemDBFTable& table) = 0;
  // How many records the current source row gives: at least 1.
  virtual int RecordsOfRow() = 0;
  // Sets record `index` of them, copied from the row and not yet posted.
  virtual void FillRecord(int index) = 0;
};

struct CopyOptions {
  bool use_us_date_time = false;
  MissingFields missing_fields = MissingFields::kLeaveNull;
  // Failures are raised again as "<error_context> -> <message>"; empty: raised as they are.
  std::string_view error_context = "CopyDataSet";
  // Runs on each record about to be posted, the table in insert state: what it sets through
  // the table's fields goes into the record (a change made once instead of in a later pass).
  std::function<void()> before_post = {};
  // Null: one record per source row, as the source has it.
  RowExpansion* expansion = nullptr;
};

// On return the source stands on its first record and both datasets are active or inactive
// as they were on entry. Failures keep their class (ChainException).
void CopyDataSet(TDataSet& source, TMemDBFTable& table, const CopyOptions& options);

inline void CopyDataSet(TDataSet& source, TMemDBFTable& table, bool use_us_date_time) {
  CopyDataSet(source, table, CopyOptions{.use_us_date_time = use_us_date_time});
}

}  // namespace kvr::reports
