// The command line of kvrhost (see HelpText for the user's view).
#pragma once

#include <string>
#include <vector>

#include "host_settings.h"
#include "report_params.h"

namespace kvr::host {

struct Invocation {
  enum class Mode { kHelp, kReport, kControlOnly, kDumpDbf };
  Mode mode = Mode::kHelp;
  HostSettings settings;
  bool init = true;
  char report_code = 0;
  std::vector<HostParam> params;
  std::string dbf_file;
  bool dbf_ansi = false;
};

// Raises UsageError for anything it cannot understand. args excludes the program name.
Invocation ParseCommandLine(const std::vector<std::string>& args);

const char* HelpText();

}  // namespace kvr::host
