#include "entry/control_command.h"

#include "entry/host_context.h"

namespace kvr {

bool IsControlCommand(char report_code, const Variant& params) {
  return report_code == kControlReportCode &&
         params.Array().Get(0).AsInteger() == kControlCommandOptions;
}

void ApplyControlCommand(const Variant& params) {
  const VariantArray& elements = params.Array();
  HostContext& context = TheHostContext();
  context.office_reports_allowed = elements.Get(1) == Variant(0);
  const int high = elements.HighBound();
  if (high > 1) context.database_dir = elements.Get(2).AsText();
  if (high > 2) context.station_name = elements.Get(3).AsText();
  if (high > 3) context.sale_log_mode = elements.Get(4).AsInteger();
}

}  // namespace kvr
