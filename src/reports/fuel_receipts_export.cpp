#include "common/text.h"
#include "reports/copy_dataset.h"
#include "reports/export_connections.h"
#include "reports/export_conventions.h"
#include "reports/export_sql.h"
#include "reports/exports.h"

namespace kvr::reports {

using namespace kvr::literals;

namespace {

void DefineReceiptFields(TFieldDefs& defs, int fuel_name_width, bool supplier_data,
                         bool drain_point) {
  defs.Add("SmNum", FieldType::Integer);
  defs.Add("OpNum", FieldType::Integer);
  defs.Add("BegTime", FieldType::String, 30);
  defs.Add("EndTime", FieldType::String, 30);
  defs.Add("NNum", FieldType::String, 50);
  defs.Add("GSMName", FieldType::String, fuel_name_width);
  defs.Add("SiloNum", FieldType::Integer);
  for (const char* name :
       {"VolumeTTN", "MassTTN", "DenTTN", "TempTTN", "VolumeFact", "DenFact", "TempFact"})
    defs.Add(name, FieldType::Float);
  defs.Add("CarName", FieldType::String, 30);
  defs.Add("Prihod", FieldType::Integer);
  for (const char* name : {"VolumeCar", "MassFact", "MassCar", "DenCar"})
    defs.Add(name, FieldType::Float);
  if (supplier_data) {
    defs.Add("TTNDATA", FieldType::Date);
    defs.Add("TTNNUM", FieldType::String, 20);
    defs.Add("SUPPLIER", FieldType::String, 50);
    defs.Add("INN", FieldType::String, 20);
  }
  if (drain_point) defs.Add("NAMESLIV", FieldType::String, 30);
}

}  // namespace

void ExportPrxLog(const ExportContext& context, TDateTime begin, TDateTime end) {
  static constexpr ExportSpec kSpec{"PrxLog.dbf", "ЭкспортПриходовТоплива"_w,
                                    DeleteMessage::kTemporaryFile};
  bool receipts_only = false;
  try {
    receipts_only = context.host.receipts_only();
  } catch (...) {
    ChainException(kSpec.context);
  }
  RunExport(kSpec, [&](TMemDBFTable& table) {
    auto query = NewReadDataSet(*context.station);
    const std::vector<bool> probe = ProbeColumns(*query, kPrxProbeSql, {"CONTR_ID", "NAMESLIV"});
    const bool supplier_data = probe[0];
    const bool drain_point = probe[1];
    const int width = context.settings.fuel_name_width;
    query->SelectSQL().SetText(FuelReceiptsSql(width, supplier_data, drain_point));
    SetDateTimeParam(*query, "BegData", begin);
    SetDateTimeParam(*query, "EndData", end);
    SetIntegerParam(*query, "P1", 1);
    SetIntegerParam(*query, "P2", receipts_only ? 1 : 0);
    query->Open();
    DefineReceiptFields(table.FieldDefs(), width, supplier_data, drain_point);
    table.CreateTable();
    table.Open();
    CopyDataSetReplacingFuelNames(*query, table, context.settings.use_dbe_time, context.settings);
  });
}

}  // namespace kvr::reports
