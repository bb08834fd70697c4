#include "kvrhost_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace kvr::test {
namespace {

using Clock = std::chrono::steady_clock;

struct Fd {
  int fd = -1;
  ~Fd() { Close(); }
  void Close() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

void MakePipe(Fd& read_end, Fd& write_end) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  read_end.fd = fds[0];
  write_end.fd = fds[1];
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

const char* SystemPython() { return KVR_SYSTEM_PYTHON; }

RunResult RunProcess(const std::vector<std::string>& args, const RunOptions& options) {
  Fd in_read, in_write, out_read, out_write, err_read, err_write;
  MakePipe(in_read, in_write);
  MakePipe(out_read, out_write);
  if (options.stderr_on_terminal) {
    // O_NOCTTY on both sides: the terminal must not become the test's controlling terminal
    // (its hang-up at the end would end the test). The parent keeps the slave open until
    // the child is reaped, so that the master reads EIO only after the last output.
    err_read.fd = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (err_read.fd < 0 || ::grantpt(err_read.fd) != 0 || ::unlockpt(err_read.fd) != 0)
      throw std::runtime_error("no pseudo-terminal");
    err_write.fd = ::open(::ptsname(err_read.fd), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (err_write.fd < 0) throw std::runtime_error("cannot open the pseudo-terminal");
  } else {
    MakePipe(err_read, err_write);
  }
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    ::dup2(in_read.fd, 0);
    ::dup2(out_write.fd, 1);
    ::dup2(err_write.fd, 2);
    for (const std::string& e : options.env) ::putenv(const_cast<char*>(e.c_str()));
    ::signal(SIGINT, SIG_DFL);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  in_read.Close();
  out_write.Close();
  if (!options.stderr_on_terminal) err_write.Close();

  RunResult result;
  std::size_t written = 0;
  if (options.input.empty()) in_write.Close();
  const auto start = Clock::now();
  bool interrupted = false;
  int status = 0;
  bool reaped = false;
  while (out_read.fd >= 0 || err_read.fd >= 0 || !reaped) {
    const auto now = Clock::now();
    if (now - start > options.timeout) {
      ::kill(pid, SIGKILL);
      result.timed_out = true;
      break;
    }
    if (options.interrupt_after && !interrupted && now - start >= *options.interrupt_after) {
      ::kill(pid, SIGINT);
      interrupted = true;
    }
    if (!reaped && ::waitpid(pid, &status, WNOHANG) == pid) reaped = true;
    if (reaped) err_write.Close();  // the terminal's last output can now be read to its end
    if (out_read.fd < 0 && err_read.fd < 0) {
      if (!reaped) ::usleep(10000);
      continue;
    }
    pollfd fds[3];
    nfds_t n = 0;
    for (Fd* f : {&out_read, &err_read})
      if (f->fd >= 0) fds[n++] = {f->fd, POLLIN, 0};
    if (in_write.fd >= 0) fds[n++] = {in_write.fd, POLLOUT, 0};
    ::poll(fds, n, 20);
    for (nfds_t i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == in_write.fd) {
        const ssize_t w =
            ::write(in_write.fd, options.input.data() + written, options.input.size() - written);
        if (w > 0) written += static_cast<std::size_t>(w);
        if (w < 0 || written == options.input.size()) in_write.Close();
        continue;
      }
      char buffer[65536];
      const ssize_t r = ::read(fds[i].fd, buffer, sizeof buffer);
      std::string& target = fds[i].fd == out_read.fd ? result.out : result.err;
      if (r > 0) {
        target.append(buffer, static_cast<std::size_t>(r));
      } else if (r == 0 || errno != EINTR) {  // a terminal's master reads EIO at the end
        (fds[i].fd == out_read.fd ? out_read : err_read).Close();
      }
    }
  }
  if (!reaped) ::waitpid(pid, &status, 0);
  result.exit_code = ExitCodeOf(status);
  return result;
}

RunResult RunKvrhost(const std::vector<std::string>& args, RunOptions options) {
  std::vector<std::string> argv{KVRHOST_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  options.env.push_back(std::string("KVR_LIBRARY=") + KVR_LIBRARY_PATH);
  return RunProcess(argv, options);
}

std::map<std::string, std::string> ParseJsonObject(const std::string& json) {
  RunOptions options;
  options.input = json;
  options.env = {"PYTHONIOENCODING=utf-8"};
  const RunResult r =
      RunProcess({SystemPython(), "-c",
                  "import json, sys\n"
                  "d = json.loads(sys.stdin.read())\n"
                  "assert isinstance(d, dict), 'not an object'\n"
                  "for k, v in d.items(): print(k + '\\t' + json.dumps(v, ensure_ascii=False))\n"},
                 options);
  if (r.exit_code != 0) throw std::runtime_error("not a JSON object: " + json + "\n" + r.err);
  std::map<std::string, std::string> members;
  std::size_t at = 0;
  while (at < r.out.size()) {
    std::size_t end = r.out.find('\n', at);
    if (end == std::string::npos) end = r.out.size();
    const std::string line = r.out.substr(at, end - at);
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) members[line.substr(0, tab)] = line.substr(tab + 1);
    at = end + 1;
  }
  return members;
}

}  // namespace kvr::test
