#include "reports/payment_type_export.h"

#include "common/text.h"
#include "reports/export_conventions.h"

namespace kvr::reports {

using namespace kvr::literals;

namespace {

constexpr ExportSpec kSpec{"ExportVidOpl.dbf", "#ERROR# ExportVO", DeleteMessage::kOldExportFile};

void FillFromCatalogue(TMemDBFTable& table, const Variant& catalogue) {
  TFieldDefs& defs = table.FieldDefs();
  defs.Add("VIDOPLNUM", FieldType::Integer);
  defs.Add("VIDOPLNAME", FieldType::String, 30);
  defs.Add("CHECKTYPE", FieldType::Integer);
  table.CreateTable();
  table.Open();
  // A host that gave no catalogue leaves it unassigned: nothing to write. Anything else that is
  // not a two-dimensional array fails below with the variant's own error.
  if (catalogue.IsEmpty()) return;
  const VariantArray& rows = catalogue.Array();
  TField& code = table.FieldByName("VIDOPLNUM");
  TField& name = table.FieldByName("VIDOPLNAME");
  TField& check_type = table.FieldByName("CHECKTYPE");
  for (int i = rows.LowBound(1); i <= rows.HighBound(1); ++i) {
    table.Append();
    name.SetAsString(rows.Get(i, 0).AsText());
    code.SetAsInteger(rows.Get(i, 1).AsInteger());
    check_type.SetAsInteger(rows.Get(i, 3).AsInteger());
    table.Post();
  }
}

}  // namespace

std::string ExportVidOpl(const ExportContext& context) {
  const Variant catalogue =
      context.host.payment_type_table ? context.host.payment_type_table() : Variant();
  RunExport(kSpec, [&](TMemDBFTable& table) { FillFromCatalogue(table, catalogue); });
  return std::string(kSpec.file_name);
}

}  // namespace kvr::reports
