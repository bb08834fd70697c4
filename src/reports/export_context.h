// What an export reads from the export creator that runs it: the station connection, the
// settings read from "cnf.ini", and the host options that are asked afresh on every use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/variant.h"

namespace kvr {
class TIBDatabase;
}

namespace kvr::reports {

struct ExportSettings {
  bool use_dbe_time = true;       // date-times in the US form (else the dotted form)
  bool export_tide_zero = false;  // the sale log keeps sales of zero litres
  bool gsm_tbl = false;           // fuel-name replacement on
  int fuel_name_width = 20;       // width of fuel-name fields and VARCHAR casts
  // "old name=new name" lines.
  std::vector<std::string> fuel_name_map;
};

// Answers that depend on the host and the settings file; each call asks again.
struct HostOptions {
  std::function<bool()> office_reports_mode;
  std::function<bool()> ka_column_enabled;
  std::function<std::int32_t()> sale_log_mode;
  // "PrihodOnly" of section "REPORTS".
  std::function<bool()> receipts_only;
  // The payment-type catalogue ([0..n-1, 0..3] of texts), or unassigned.
  std::function<Variant()> payment_type_table;
};

struct ExportContext {
  TIBDatabase* station = nullptr;
  ExportSettings settings;
  HostOptions host;
};

}  // namespace kvr::reports
