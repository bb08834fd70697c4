#include "entry/host_options.h"

#include "entry/host_context.h"
#include "entry/payment_catalogue.h"
#include "ini/safe_ini_file.h"
#include "platform/paths.h"

namespace kvr {

std::string SettingsFilePath() {
  return platform::IncludeTrailingPathDelimiter(platform::WindowsDirectory()) + "cnf.ini";
}

bool OfficeReportsMode() {
  const HostContext& host = TheHostContext();
  if (host.host_kind3) {
    ini::TSafeIniFile settings(SettingsFilePath());
    return host.office_reports_allowed && settings.ReadBool("Misc", "OfficeReportsType", false);
  }
  return host.office_reports_allowed && AskHost(host_query::kOfficeReportsMode).AsBoolean();
}

bool KAColumnEnabled() {
  if (TheHostContext().host_kind3) return OfficeReportsMode();
  return AskHost(host_query::kKAColumnEnabled).AsBoolean();
}

reports::HostOptions MakeHostOptions() {
  reports::HostOptions options;
  options.office_reports_mode = [] { return OfficeReportsMode(); };
  options.ka_column_enabled = [] { return KAColumnEnabled(); };
  options.sale_log_mode = [] { return TheHostContext().sale_log_mode; };
  options.receipts_only = [] {
    ini::TSafeIniFile settings(SettingsFilePath());
    return settings.ReadBool("REPORTS", "PrihodOnly", false);
  };
  options.payment_type_table = [] { return PaymentTypeTable(); };
  return options;
}

}  // namespace kvr
