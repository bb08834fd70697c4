#include "command_line.h"

#include <optional>
#include <utility>

namespace kvr::host {
namespace {

bool IsSettingKey(const std::string& key) {
  for (const char* k : {"library", "root", "database-dir", "office-mode", "station", "ka-column",
                        "payment-names", "host-kind", "payment-codes", "control"})
    if (key == k) return true;
  return false;
}

Invocation ParseDbf(const std::vector<std::string>& args) {
  Invocation inv;
  inv.mode = Invocation::Mode::kDumpDbf;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--ansi") inv.dbf_ansi = true;
    else if (args[i] == "--oem") inv.dbf_ansi = false;
    else if (inv.dbf_file.empty() && !args[i].starts_with("--")) inv.dbf_file = args[i];
    else throw UsageError("dbf: unexpected argument '" + args[i] + "'");
  }
  if (inv.dbf_file.empty()) throw UsageError("dbf: a file name is needed");
  return inv;
}

}  // namespace

Invocation ParseCommandLine(const std::vector<std::string>& args) {
  if (!args.empty() && args[0] == "dbf") return ParseDbf(args);
  Invocation inv;
  std::vector<std::pair<std::string, std::string>> options;
  std::size_t i = 0;
  for (; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") return Invocation{};
    if (!arg.starts_with("--")) break;
    std::string key = arg.substr(2);
    std::optional<std::string> value;
    if (std::size_t eq = key.find('='); eq != std::string::npos) {
      value = key.substr(eq + 1);
      key.resize(eq);
    }
    if (key == "no-init" && !value) {
      inv.init = false;
      continue;
    }
    if (key != "settings" && !IsSettingKey(key)) throw UsageError("unknown option '" + arg + "'");
    if (!value) {
      if (i + 1 >= args.size()) throw UsageError("option '" + arg + "' needs a value");
      value = args[++i];
    }
    options.emplace_back(key, *value);
  }
  // The settings file first, so that options override it wherever they stand.
  for (const auto& [key, value] : options)
    if (key == "settings") LoadSettingsFile(inv.settings, value);
  for (const auto& [key, value] : options)
    if (key != "settings") ApplySetting(inv.settings, key, value);
  if (i == args.size()) {
    if (!inv.settings.control) throw UsageError("no report code (and no --control to send)");
    inv.mode = Invocation::Mode::kControlOnly;
    return inv;
  }
  if (args[i].size() != 1)
    throw UsageError("the report code is one character (0, 1, 2, 6, 8 or #), not '" + args[i] + "'");
  inv.mode = Invocation::Mode::kReport;
  inv.report_code = args[i][0];
  for (++i; i < args.size(); ++i) inv.params.push_back(ParseParam(args[i]));
  return inv;
}

const char* HelpText() {
  return R"(kvrhost: plays the host program of libKVRExportCreator9.so.

Usage:
  kvrhost [OPTIONS] REPORT [PARAM...]   run one report (or control command)
  kvrhost [OPTIONS] --control LIST      only hand over the host context and send control command 1000
  kvrhost dbf FILE [--ansi]             show a DBF file (texts in code page 866, or 1251 with --ansi)
  kvrhost --help

The library is loaded with dlopen. kvrhost calls InitReports with its query callback, sends
control command 1000 when --control is given, then calls GetReportsInStringEx with REPORT and
the parameters, and prints the result, the text (in UTF-8) and the elapsed time. On a terminal
a spinner shows while a call runs longer than a second.

Options (each may also stand in a settings file as "key = value", without the dashes):
  --settings FILE        read settings from FILE first (lines "key = value"; # starts a comment)
  --library PATH         the library (default: $KVR_LIBRARY, else ../lib/libKVRExportCreator9.so
                         beside kvrhost, else libKVRExportCreator9.so from the loader's path)
  --root DIR             directory standing for the drives: "C:\MOLT\EXPORT\" is DIR/C/MOLT/EXPORT
                         (sets KVR_ROOT for the library)
  --database-dir DIR     query 5: directory of the station database GARVEN.FDB
  --office-mode BOOL     query 8: office reports mode (default false)
  --station NAME         query 13: station name
  --ka-column BOOL       query 17: KA column enabled (default false)
  --payment-names LIST   query 23: payment-type names separated by ';' (default: none given, so
                         the library uses its default list of 13)
  --host-kind N          query 46: host kind (default 0; 3 is the kind that matters)
  --payment-codes LIST   query 57: a catalogue object with "code[:check]" per payment type,
                         separated by ',' (default: no object)
  --control LIST         control command 1000 with elements 1 to 4 separated by ',':
                         ALLOW(0 allows office reports)[,DATABASE-DIR[,STATION[,SALE-LOG-MODE]]]
  --no-init              do not call InitReports (the library then has no callback)

REPORT is one character: 0 sale log, 1 tank events, 2 fuel receipts, 6 tank remains,
8 the "8" family (parameter 1 = sub-code 1..5), # control commands.

PARAM syntax:
  42 or i:42             integer
  2026-12-07T08:00       date-time (also "2026-12-07 08:00:00.000", or the date alone); d: forces it
  f:1.5                  float
  s:text                 text (a parameter that is neither integer nor date is a text anyway)
  b:true, b:false        Boolean
  null, empty            Null, Empty

Exit status: 0 success; 1 the library reported a failure (false, or an error text);
2 a usage error (or the library cannot be loaded).

Examples:
  kvrhost --root demo-root --control 0,/srv/station 8 4 2026-12-01 2026-12-08
  kvrhost --host-kind 3 --payment-names "&Cash;&Card" --payment-codes 0:1,1:2 8 1 0 0 2026-12-01 2026-12-02
  kvrhost --control 1 '#' 5            (a '#' command that is not 1000: an unknown report)
  kvrhost --settings station.conf 0 2026-12-01T00:00 2026-12-02T00:00 1 3
  kvrhost dbf demo-root/C/MOLT/EXPORT/ExportVidOpl.dbf
)";
}

}  // namespace kvr::host
