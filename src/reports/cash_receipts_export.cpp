#include "common/text.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"
#include "reports/row_shifts.h"

namespace kvr::reports {

using namespace kvr::literals;

std::string ExportBCheck(const ExportContext& context, TDateTime begin, TDateTime end) {
  static constexpr ExportSpec kSpec{"ExportBCheck.dbf", "ЭкспортЧековГСМ"_w,
                                    DeleteMessage::kTemporaryFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    auto query = NewReadDataSet(*context.station);
    const int width = context.settings.fuel_name_width;
    const auto shifts = OpenWithRowShifts(
        *query, [&](std::string_view shift) { return CashReceiptsSql(width, shift); },
        [&](TIBDataSet& q) {
          SetDateTimeParam(q, "BegData", begin);
          SetDateTimeParam(q, "EndData", end);
        });
    CopyQueryToTable(*query, table, context.settings.use_dbe_time, {}, &context.settings,
                     shifts.get());
  });
  return std::string(kSpec.file_name);
}

}  // namespace kvr::reports
