// Child processes for tests: the Firebird server, isql-fb, and probe programs that exercise
// cross-process behaviour. A ChildProcess that is destroyed while its process still runs kills
// and reaps it, so a failing test leaves nothing behind; children are also asked to die with
// the test process (a crash of the test must not orphan a server).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kvr::test {

struct ProcessOptions {
  std::vector<std::string> args;  // args[0] is the program, looked up on PATH
  std::vector<std::pair<std::string, std::string>> env;  // added to (or replacing) ours
  std::vector<std::string> unset_env;                    // removed from the child's environment
  std::string output_file;  // standard output and error go here; empty: /dev/null
};

class ChildProcess {
 public:
  // Starts the process; throws std::runtime_error when it cannot.
  explicit ChildProcess(const ProcessOptions& options);
  ~ChildProcess();
  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&&) = delete;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  int pid() const { return pid_; }
  // Exit code (128 + signal number when killed), or nothing when it still runs after `timeout`.
  std::optional<int> WaitFor(std::chrono::milliseconds timeout);
  bool Running();
  // Ends the process at once (SIGKILL; TerminateProcess on Windows), without waiting.
  void Kill();
  // SIGTERM, up to `grace` for it to end, then SIGKILL. Returns the exit code.
  int Stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

 private:
  int pid_ = -1;
  std::optional<int> exit_code_;
  void* handle_ = nullptr;  // Windows: the process handle (and the job that ends it with us)
  void* job_ = nullptr;
};

struct ProgramResult {
  int exit_code = -1;
  std::string output;  // standard output and error together
};

// Runs a program to its end (killed after `timeout`, which raises std::runtime_error).
ProgramResult RunProgram(ProcessOptions options,
                         std::chrono::milliseconds timeout = std::chrono::seconds(120));

}  // namespace kvr::test
