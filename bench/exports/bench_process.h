// A program run to its end with its wall time and peak resident memory (the benchmark measures
// each export in a process of its own, so that one export's memory does not hide another's).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace kvr::bench {

struct MeasuredRun {
  int exit_code = -1;         // 128 + signal number when killed
  double seconds = 0;         // wall time from start to end
  double cpu_seconds = 0;     // user + system time of the child (steadier than wall time on a
                              // busy machine: the embedded engine runs inside the child)
  long long peak_rss_kb = 0;  // the child's maximum resident set size
};

// Runs args[0] (looked up on PATH) with `env` added to our environment; standard output and
// error go to `output_file`. Throws std::runtime_error when the program cannot be started.
MeasuredRun RunMeasured(const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& env,
                        const std::string& output_file);

}  // namespace kvr::bench
