// Child processes on Windows: CreateProcessW, in a job object that ends them when the test
// process goes (however it ends). Windows has no signals: Stop terminates at once.
#include "support/child_process.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>

namespace kvr::test {
namespace {

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int n =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

// One argument as the C runtime of the child splits its command line again.
void AppendQuoted(const std::wstring& arg, std::wstring& line) {
  if (!line.empty()) line += L' ';
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) {
    line += arg;
    return;
  }
  line += L'"';
  std::size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');
  line += L'"';
}

// Our environment with the options' changes, as the block CreateProcessW takes.
std::wstring EnvironmentBlock(const ProcessOptions& options) {
  const auto upper = [](std::wstring s) {
    std::transform(s.begin(), s.end(), s.begin(), ::towupper);
    return s;
  };
  std::map<std::wstring, std::pair<std::wstring, std::wstring>> by_key;
  wchar_t* block = ::GetEnvironmentStringsW();
  for (const wchar_t* p = block; *p; p += wcslen(p) + 1) {
    const std::wstring entry(p);
    const std::size_t eq = entry.find(L'=', 1);
    if (eq == std::wstring::npos) continue;
    by_key[upper(entry.substr(0, eq))] = {entry.substr(0, eq), entry.substr(eq + 1)};
  }
  ::FreeEnvironmentStringsW(block);
  for (const std::string& name : options.unset_env) by_key.erase(upper(Wide(name)));
  for (const auto& [name, value] : options.env)
    by_key[upper(Wide(name))] = {Wide(name), Wide(value)};
  std::wstring out;
  for (const auto& [key, entry] : by_key) out += entry.first + L"=" + entry.second + L'\0';
  out += L'\0';
  return out;
}

}  // namespace

ChildProcess::ChildProcess(const ProcessOptions& options) {
  if (options.args.empty()) throw std::runtime_error("no program to start");
  std::wstring line;
  for (const std::string& arg : options.args) AppendQuoted(Wide(arg), line);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const std::wstring output = options.output_file.empty() ? L"NUL" : Wide(options.output_file);
  HANDLE out = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE)
    throw std::runtime_error("cannot open " + options.output_file + " for a child's output");
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = out;
  startup.hStdError = out;
  std::wstring environment = EnvironmentBlock(options);
  PROCESS_INFORMATION info{};
  const BOOL started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED,
                                        environment.data(), nullptr, &startup, &info);
  ::CloseHandle(out);
  if (!started) throw std::runtime_error("cannot start " + options.args[0]);
  HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job) {
    ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    ::AssignProcessToJobObject(job, info.hProcess);
  }
  ::ResumeThread(info.hThread);
  ::CloseHandle(info.hThread);
  pid_ = static_cast<int>(info.dwProcessId);
  handle_ = info.hProcess;
  job_ = job;
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(std::exchange(other.pid_, -1)),
      exit_code_(other.exit_code_),
      handle_(std::exchange(other.handle_, nullptr)),
      job_(std::exchange(other.job_, nullptr)) {}

ChildProcess::~ChildProcess() {
  if (handle_) {
    if (!exit_code_) {
      ::TerminateProcess(handle_, 137);
      ::WaitForSingleObject(handle_, 30000);
    }
    ::CloseHandle(handle_);
  }
  if (job_) ::CloseHandle(job_);
}

std::optional<int> ChildProcess::WaitFor(std::chrono::milliseconds timeout) {
  if (exit_code_) return exit_code_;
  const DWORD ms = static_cast<DWORD>(std::clamp<long long>(timeout.count(), 0, 0x7FFFFFFF));
  if (::WaitForSingleObject(handle_, ms) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  exit_code_ = ::GetExitCodeProcess(handle_, &code) ? static_cast<int>(code) : -1;
  return exit_code_;
}

bool ChildProcess::Running() { return !WaitFor(std::chrono::milliseconds(0)).has_value(); }

void ChildProcess::Kill() {
  if (!exit_code_) ::TerminateProcess(handle_, 137);
}

int ChildProcess::Stop(std::chrono::milliseconds) {
  if (exit_code_) return *exit_code_;
  ::TerminateProcess(handle_, 137);  // 128 + SIGKILL, as the other platform reports a kill
  return WaitFor(std::chrono::seconds(30)).value_or(-1);
}

}  // namespace kvr::test
