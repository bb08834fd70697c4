#include "common/text.h"
#include "platform/file_system.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

namespace kvr::reports {

using namespace kvr::literals;

namespace {
constexpr const char* kOfficeDatabase = "C:\\MOLT\\OfficeDB\\OFFICE.FDB";
}

std::string ExportAllDscCards(const ExportContext&) {
  static constexpr ExportSpec kSpec{"AllDscCardExport.dbf", "ЭкспортОперацийПоДисконтнымКартам"_w,
                                    DeleteMessage::kTemporaryFile};
  platform::ForceDirectories(kExportDirectory);  // made again here; a failure shows later
  RunExport(kSpec, [&](TMemDBFTable& table) {
    db::Connection office({.file = kOfficeDatabase});
    auto query = NewReadDataSet(office.Database());
    query->SelectSQL().SetText(kDiscountCardsSql);
    // Date-times always in the dotted form here, whatever UseDBETime says.
    CopyQueryToTable(*query, table, false, [](TFieldDefs& defs) {
      defs.Find("CardNum").SetSize(50);
      defs.Find("KVRName").SetSize(30);
      defs.Find("GSM").SetSize(20);
    });
  });
  return std::string(kSpec.file_name);
}

}  // namespace kvr::reports
