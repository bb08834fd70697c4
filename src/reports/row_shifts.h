// Each row's shift for the exports that show it (the sale log without shop rows, tank events,
// cash receipts). The engine has no interval join: "LEFT JOIN SMLOG sm ON x.DATA BETWEEN
// sm.BEGTIME AND sm.ENDTIME" walks the shift log for every row, so its cost grows with rows x
// shifts. Instead the library reads SMLOG once per export, on the transaction of the export's
// query, sends that query without the join (its shift column a typed null of SMLOG.SMNUM's
// type and name, so the fields stay as they were), and fills each row's shift while copying.
//
// The records are those of the join: one per shift whose BEGTIME <= DATA <= ENDTIME, in the
// order the shift log stores the shifts (as the join gives them); one with an empty shift
// where none does. NULL times never match; DATE and TIMESTAMP compare as the engine compares
// them (a DATE is its midnight). Where the shift log is not as expected (SMLOG or one of its
// columns missing, times that are not DATE or TIMESTAMP, a shift number that is not SMALLINT or
// INTEGER or is null, a query without a DATE or TIMESTAMP column DATA), and where
// KVR_SHIFT_JOIN=server asks for it, the query is sent with the join as it stands.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reports/copy_dataset.h"
#include "reports/shift_index.h"

namespace kvr {
class TIBDataSet;
}

namespace kvr::reports {

// "server": the exports send their queries with the shift join.
extern const char* const kShiftJoinVariable;  // "KVR_SHIFT_JOIN"

class RowShifts final : public RowExpansion {
 public:
  // Reads the shift log on the database and transaction of `query`; null where the join is
  // to be sent instead (see above).
  static std::unique_ptr<RowShifts> Load(TIBDataSet& query);

  // The select-list entry that stands for "sm.SmNum": "CAST(NULL AS INTEGER) AS "SMNUM"".
  const std::string& NullColumn() const { return null_column_; }
  // The query has the DATA column the shifts are found by.
  static bool CanFill(TIBDataSet& query);

  void Start(TDataSet& source, TMemDBFTable& table) override;
  int RecordsOfRow() override;
  void FillRecord(int index) override;

 private:
  ShiftIndex index_;
  std::string null_column_;
  TIBDataSet* source_ = nullptr;
  TField* moment_ = nullptr;           // the source's DATA
  TField* shift_ = nullptr;            // the table's SMNUM
  std::vector<std::int32_t> numbers_;  // the current row's shifts
};

// Sets the text `make_sql(shift column)` and the parameters (`set_params`) on `query` and opens
// it: without the join and with the shifts the library fills where it can, else with the join
// (make_sql of an empty column) and a null result.
std::unique_ptr<RowShifts> OpenWithRowShifts(
    TIBDataSet& query, const std::function<std::string(std::string_view)>& make_sql,
    const std::function<void(TIBDataSet&)>& set_params);

}  // namespace kvr::reports
