#include "common/text.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

namespace kvr::reports {

using namespace kvr::literals;

void ExportRezEnd(const ExportContext& context, std::int32_t last_shift, std::int32_t first_shift) {
  static constexpr ExportSpec kSpec{"RezEnd.dbf", "ОстаткиВРезервуарах"_w,
                                    DeleteMessage::kTemporaryFile};
  RunExport(kSpec, [&](TMemDBFTable& table) {
    const bool office_mode = context.host.office_reports_mode();
    auto query = NewReadDataSet(*context.station);
    query->SelectSQL().SetText(TankRemainsSql(context.settings.fuel_name_width, office_mode));
    SetIntegerParam(*query, "pSmenaBeg", first_shift);
    SetIntegerParam(*query, "pSmenaEnd", last_shift);
    CopyQueryToTable(*query, table, context.settings.use_dbe_time, {}, &context.settings);
  });
}

}  // namespace kvr::reports
