// kvrhost (or another program) run as a real process for the tests: its standard output and
// standard error apart, standard input given, extra environment, a time limit, and
// optionally SIGINT after a delay or standard error on a pseudo-terminal.
#pragma once

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvr::test {

struct RunOptions {
  std::vector<std::string> env;  // "NAME=value" added to the test's environment
  std::string input;             // standard input
  std::optional<std::chrono::milliseconds> interrupt_after;  // SIGINT then
  bool stderr_on_terminal = false;                           // standard error is a pseudo-terminal
  std::chrono::milliseconds timeout = std::chrono::seconds(120);
};

struct RunResult {
  int exit_code = -1;  // 128 + signal when the process was killed by one
  bool timed_out = false;
  std::string out, err;
};

// args[0] is the program's path.
RunResult RunProcess(const std::vector<std::string>& args, const RunOptions& options = {});

// kvrhost with the built library (KVR_LIBRARY) and `args`.
RunResult RunKvrhost(const std::vector<std::string>& args, RunOptions options = {});

// The top-level members of a JSON object, parsed by Python's json module (so that what
// kvrhost writes is checked by a real JSON parser): each value as json.dumps writes it
// (strings quoted, non-ASCII kept). Raises std::runtime_error when the text is no JSON object.
std::map<std::string, std::string> ParseJsonObject(const std::string& json);

// The system Python with the Debian packages (dbfread).
const char* SystemPython();

}  // namespace kvr::test
