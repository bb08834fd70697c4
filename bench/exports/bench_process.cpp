#include "bench_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace kvr::bench {
namespace {

// The environment of the child: ours with `env` set over it.
std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& env) {
  std::vector<std::string> out;
  for (char** e = environ; *e != nullptr; ++e) {
    bool replaced = false;
    for (const auto& [name, value] : env)
      replaced = replaced ||
                 (std::strncmp(*e, name.c_str(), name.size()) == 0 && (*e)[name.size()] == '=');
    if (!replaced) out.emplace_back(*e);
  }
  for (const auto& [name, value] : env) out.push_back(name + "=" + value);
  return out;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (std::string& t : texts) out.push_back(t.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

MeasuredRun RunMeasured(const std::vector<std::string>& args,
                        const std::vector<std::pair<std::string, std::string>>& env,
                        const std::string& output_file) {
  std::vector<std::string> argv_texts = args;
  std::vector<std::string> env_texts = ChildEnvironment(env);
  std::vector<char*> argv = Pointers(argv_texts);
  std::vector<char*> envp = Pointers(env_texts);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = -1;
  const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(error));

  int status = 0;
  rusage usage{};
  while (wait4(pid, &status, 0, &usage) < 0) {
    if (errno != EINTR)
      throw std::runtime_error("wait4 failed: " + std::string(std::strerror(errno)));
  }
  MeasuredRun run;
  run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  run.peak_rss_kb = usage.ru_maxrss;
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  run.cpu_seconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
  run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return run;
}

}  // namespace kvr::bench
