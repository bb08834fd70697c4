// The command line of kvrhost (see HelpText for the user's view), parsed with getopt_long:
// options first, "--" ends them, then the report code and its parameters (which may start
// with '-', like a negative integer).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host_settings.h"
#include "report_params.h"

namespace kvr::host {

// Whether a progress line shows while a library call runs.
enum class ProgressMode {
  kAuto,  // on a terminal (standard error) only
  kOn,    // also when standard error is no terminal (a line per second)
  kOff,
};

struct DbfOptions {
  enum class Layout { kTable, kCsv, kVertical };
  std::string file;
  Layout layout = Layout::kTable;
  int code_page = 0;                   // 0: the file's code-page mark decides
  std::optional<std::uint64_t> limit;  // -n: at most this many records
};

struct Invocation {
  enum class Mode { kHelp, kVersion, kReport, kControlOnly, kDumpDbf };
  Mode mode = Mode::kHelp;
  HostSettings settings;
  bool init = true;
  bool json = false;
  bool check = true;  // --no-check hands the parameters to the library as they are
  ProgressMode progress = ProgressMode::kAuto;
  char report_code = 0;
  std::vector<HostParam> params;
  DbfOptions dbf;
};

// Raises UsageError for anything it cannot understand, and (unless --no-check) for report
// parameters that do not fit the report. args excludes the program name.
Invocation ParseCommandLine(const std::vector<std::string>& args);

// Whether --json stands among the options (looked up before parsing, so that even a usage
// error is told as JSON).
bool AsksForJson(const std::vector<std::string>& args);

// The elements of control command 1000 as --control gives them (1000 first).
std::vector<HostParam> ControlParams(const HostSettings& settings);

const char* HelpText();
const char* DbfHelpText();

}  // namespace kvr::host
