// TExportCreator: made for one report call and destroyed before the call returns. The
// constructor reads the export settings from "cnf.ini", builds the fuel-name map and connects
// to the station database; Dispatch runs one export, times it, logs it and turns a failure
// into the text for the host.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "common/variant.h"
#include "db/connection.h"
#include "reports/export_context.h"

namespace kvr {

class TExportCreator {
 public:
  // Raises when the settings, the host, the helper library or the database fail.
  TExportCreator();
  ~TExportCreator();
  TExportCreator(const TExportCreator&) = delete;
  TExportCreator& operator=(const TExportCreator&) = delete;

  // Runs report `report_code` with the host's `params`. Returns false for an unknown report;
  // an export failure is logged and returned in `text` with the result true.
  bool Dispatch(char report_code, const Variant& params, std::string& text);

  const reports::ExportSettings& Settings() const { return context_.settings; }

 private:
  // Converts the host's parameters for `report_code` and runs that report's export; returns
  // false for an unknown report.
  bool ConvertParamsAndExport(char report_code, const Variant& params, std::string& title,
                              std::string& text);

  std::unique_ptr<db::Connection> station_;
  reports::ExportContext context_;
};

// The station name as upper-case hexadecimal, two digits per byte ("ВСЕ АЗС" -> C2D1C520C0C7D1).
std::string StrToHex(std::string_view text);

// Reads the export settings from `settings_file` (the creator's steps 1 to 4).
reports::ExportSettings ReadExportSettings(const std::string& settings_file);

}  // namespace kvr
