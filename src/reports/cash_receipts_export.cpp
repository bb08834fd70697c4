#include "common/text.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

namespace kvr::reports {

using namespace kvr::literals;

std::string ExportBCheck(const ExportContext& context, TDateTime begin, TDateTime end) {
  static constexpr ExportSpec kSpec{"ExportBCheck.dbf", "ЭкспортЧековГСМ"_w,
                                    DeleteMessage::kTemporaryFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    auto query = NewReadDataSet(*context.station);
    query->SelectSQL().SetText(CashReceiptsSql(context.settings.fuel_name_width));
    SetDateTimeParam(*query, "BegData", begin);
    SetDateTimeParam(*query, "EndData", end);
    CopyQueryToTable(*query, table, context.settings.use_dbe_time, {}, &context.settings);
  });
  return std::string(kSpec.file_name);
}

}  // namespace kvr::reports
