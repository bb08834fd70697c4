#include "support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <thread>

#include "support/temp_dir.h"

namespace kvr::test {
namespace {

int DecodeStatus(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// The child's environment: ours with the options' changes, built before fork (the child of a
// process with threads may only make async-signal-safe calls).
std::vector<std::string> ChildEnvironment(const ProcessOptions& options) {
  std::vector<std::string> env;
  auto replaced = [&](std::string_view entry) {
    std::string_view name = entry.substr(0, entry.find('='));
    for (const auto& u : options.unset_env)
      if (name == u) return true;
    for (const auto& kv : options.env)
      if (name == kv.first) return true;
    return false;
  };
  for (char** e = environ; *e != nullptr; ++e)
    if (!replaced(*e)) env.emplace_back(*e);
  for (const auto& [name, value] : options.env) env.push_back(name + "=" + value);
  return env;
}

// Runs in the forked child only: async-signal-safe calls, then exec.
[[noreturn]] void ExecChild(const ProcessOptions& options, pid_t parent, char** argv, char** envp) {
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);  // the parent died before prctl took effect
  const char* out = options.output_file.empty() ? "/dev/null" : options.output_file.c_str();
  int fd = open(out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd >= 0) {
    dup2(fd, STDOUT_FILENO);
    dup2(fd, STDERR_FILENO);
    if (fd > STDERR_FILENO) close(fd);
  }
  int null_in = open("/dev/null", O_RDONLY);
  if (null_in >= 0) {
    dup2(null_in, STDIN_FILENO);
    if (null_in > STDERR_FILENO) close(null_in);
  }
  execvpe(argv[0], argv, envp);
  _exit(127);
}

}  // namespace

ChildProcess::ChildProcess(const ProcessOptions& options) {
  if (options.args.empty()) throw std::runtime_error("ChildProcess: no program given");
  std::vector<char*> argv;
  for (const auto& a : options.args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  std::vector<std::string> env = ChildEnvironment(options);
  std::vector<char*> envp;
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error(std::string("fork failed: ") + std::strerror(errno));
  if (pid == 0) ExecChild(options, parent, argv.data(), envp.data());
  pid_ = pid;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)), exit_code_(other.exit_code_) {}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !exit_code_) {
    kill(pid_, SIGKILL);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  if (exit_code_) return exit_code_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      exit_code_ = DecodeStatus(status);
      return exit_code_;
    }
    if (r < 0 && errno != EINTR) {
      exit_code_ = -1;
      return exit_code_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

bool ChildProcess::Running() { return !WaitFor(std::chrono::milliseconds(0)).has_value(); }

void ChildProcess::Kill() {
  if (!exit_code_) kill(pid_, SIGKILL);
}

int ChildProcess::Stop(std::chrono::milliseconds grace) {
  if (exit_code_) return *exit_code_;
  kill(pid_, SIGTERM);
  if (auto code = WaitFor(grace)) return *code;
  kill(pid_, SIGKILL);
  return WaitFor(std::chrono::seconds(30)).value_or(-1);
}

}  // namespace kvr::test
