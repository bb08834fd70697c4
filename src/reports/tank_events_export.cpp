#include "common/text.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"
#include "reports/row_shifts.h"

namespace kvr::reports {

using namespace kvr::literals;

void ExportRezLog(const ExportContext& context, TDateTime begin, TDateTime end) {
  static constexpr ExportSpec kSpec{"RezLog.dbf", "ЭкспортЖурналаПоРезервуарам"_w,
                                    DeleteMessage::kTemporaryFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    auto query = NewReadDataSet(*context.station);
    const auto shifts = OpenWithRowShifts(*query, TankEventsSql, [&](TIBDataSet& q) {
      SetDateTimeParam(q, "BegData", begin);
      SetDateTimeParam(q, "EndData", end);
    });
    CopyQueryToTable(
        *query, table, context.settings.use_dbe_time,
        [](TFieldDefs& defs) { defs.Find("Name").SetSize(15); }, nullptr, shifts.get());
  });
}

}  // namespace kvr::reports
