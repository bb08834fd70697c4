// The other process of the cross-process tests, written on the platform layer alone so that it
// runs wherever the library does.
//   mutex-hold <name> <ready_file> <hold_ms>  takes the mutex, creates <ready_file>, holds it
//                                             <hold_ms>, releases it
//   mutex-abandon <name> <ready_file>         takes the mutex, creates <ready_file>, ends the
//                                             process still holding it
//   mutex-try <name> <limit_ms>               exit 0 acquired, 1 abandoned, 2 timed out, 3 failed
//   log-write <file> <count> <id>             logs <count> records tagged "[w<id>]"
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "log/log_writer.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/named_mutex.h"
#include "platform/ui_sinks.h"

namespace {

using kvr::platform::NamedMutex;
using kvr::platform::WaitResult;

std::unique_ptr<NamedMutex> Take(const char* name) {
  auto mutex = NamedMutex::Open(name);
  if (!mutex || mutex->Wait(std::chrono::seconds(30)) == WaitResult::kFailed) std::exit(3);
  return mutex;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "mutex-hold" && argc == 5) {
    auto mutex = Take(argv[2]);
    kvr::platform::WriteWholeFile(argv[3], "ready");
    kvr::platform::SleepMs(static_cast<std::uint32_t>(std::atoi(argv[4])));
    return mutex->Release() ? 0 : 4;
  }
  if (mode == "mutex-abandon" && argc == 4) {
    auto mutex = Take(argv[2]);
    kvr::platform::WriteWholeFile(argv[3], "ready");
    kvr::platform::ExitProcess(0);
  }
  if (mode == "mutex-try" && argc == 4) {
    auto mutex = NamedMutex::Open(argv[2]);
    if (!mutex) return 3;
    switch (mutex->Wait(std::chrono::milliseconds(std::atoi(argv[3])))) {
      case WaitResult::kAcquired: return 0;
      case WaitResult::kAbandoned: return 1;
      case WaitResult::kTimedOut: return 2;
      case WaitResult::kFailed: return 3;
    }
  }
  if (mode == "log-write" && argc == 5) {
    kvr::log::TDIZEvudod log(argv[2]);
    log.SetSourceTag(std::string("[w") + argv[4] + "]");
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) log.Log(1, "record " + std::to_string(i) + " end");
    return 0;
  }
  std::fprintf(stderr, "usage: process_probe mutex-hold|mutex-abandon|mutex-try|log-write ...\n");
  return 2;
}
