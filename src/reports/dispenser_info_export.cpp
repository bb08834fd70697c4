#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

namespace kvr::reports {

std::string ExportTRKInfo(const ExportContext& context, std::int32_t first_shift,
                          std::int32_t last_shift) {
  static constexpr ExportSpec kSpec{"ExportTRKInfo.dbf", "#ERROR# ExportTRKInfo",
                                    DeleteMessage::kOldExportFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    auto query = NewReadDataSet(*context.station);
    const bool has_trk2beg = ProbeColumns(*query, kSmTrkProbeSql, {"TRK2BEG"})[0];
    const bool office_mode = context.host.office_reports_mode();
    query->SelectSQL().SetText(
        DispenserInfoSql(context.settings.fuel_name_width, office_mode, has_trk2beg));
    SetIntegerParam(*query, "BegSm", first_shift);
    SetIntegerParam(*query, "EndSm", last_shift);
    CopyQueryToTable(*query, table, context.settings.use_dbe_time, {}, &context.settings);
  });
  return std::string(kSpec.file_name);
}

}  // namespace kvr::reports
