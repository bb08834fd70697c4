#include "common/text.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

namespace kvr::reports {

using namespace kvr::literals;

void ExportRezLog(const ExportContext& context, TDateTime begin, TDateTime end) {
  static constexpr ExportSpec kSpec{"RezLog.dbf", "ЭкспортЖурналаПоРезервуарам"_w,
                                    DeleteMessage::kTemporaryFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    auto query = NewReadDataSet(*context.station);
    query->SelectSQL().SetText(kTankEventsSql);
    SetDateTimeParam(*query, "BegData", begin);
    SetDateTimeParam(*query, "EndData", end);
    CopyQueryToTable(*query, table, context.settings.use_dbe_time,
                     [](TFieldDefs& defs) { defs.Find("Name").SetSize(15); });
  });
}

}  // namespace kvr::reports
