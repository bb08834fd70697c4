// Records per second of the module logger ReportsLog: one process alone, then four processes
// writing the same file at once (default settings: 1 MiB limit, shortened in place).
//   log_bench [records per process]   (default 20000)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/text.h"
#include "log/module_loggers.h"

namespace {

using namespace kvr::literals;
namespace fs = std::filesystem;

void WriteRecords(int count) {
  kvr::log::TDIZEvudod* log = kvr::log::ReportsLog();
  for (int i = 0; i < count; ++i)
    log->LogFmt(1, "Документ \"%s\" подготовлен за %d ms"_w, {"Кассовые чеки"_w, i});
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 20'000;
  const fs::path root = fs::temp_directory_path() / ("kvr-log-bench-" + std::to_string(::getpid()));
  fs::create_directories(root / "C/MOLT/LogFiles");
  ::setenv("KVR_ROOT", root.c_str(), 1);
  ::setenv("KVR_LOCK_DIR", (root / "locks").c_str(), 1);
  kvr::log::InitializeLogging();
  kvr::log::CreateReportsLog();

  auto start = std::chrono::steady_clock::now();
  WriteRecords(count);
  const double one = Seconds(start);
  std::printf("ReportsLog, 1 process : %8.0f records/s (%d records, %.2f s)\n", count / one, count,
              one);

  constexpr int kProcesses = 4;
  start = std::chrono::steady_clock::now();
  std::vector<pid_t> children;
  for (int p = 0; p < kProcesses; ++p) {
    pid_t pid = ::fork();
    if (pid == 0) {
      WriteRecords(count);
      std::_Exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) ::waitpid(pid, nullptr, 0);
  const double four = Seconds(start);
  std::printf("ReportsLog, %d processes: %8.0f records/s in total (%d records, %.2f s)\n",
              kProcesses, kProcesses * count / four, kProcesses * count, four);
  std::printf("file size at the end: %ju bytes\n",
              static_cast<std::uintmax_t>(fs::file_size(root / "C/MOLT/LogFiles/Reports.log")));

  kvr::log::FreeReportsLog();
  kvr::log::FinalizeLogging();
  fs::remove_all(root);
  return 0;
}
