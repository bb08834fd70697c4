// A host program for the binding tests, run as a child process:
//   db_binding_probe load                 load step with the standard search; prints the
//                                         module name and the bound functions
//   db_binding_probe connect DB [HOLD_MS] load, then connect DB the library's way; with
//                                         HOLD_MS the connect mutex is taken first and held
//                                         that long (a slow connect). Prints "held <ms>" and
//                                         "connected <ms>" (monotonic clock).
//   db_binding_probe hold NAME            takes the named mutex, prints "held", waits forever
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "common/exceptions.h"
#include "db/database_access.h"
#include "db/helper_binding.h"
#include "platform/named_mutex.h"

namespace {

long long Now() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void Say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

int Connect(const std::string& file, int hold_ms) {
  using namespace kvr::db;
  LoadHelperBinding();
  std::unique_ptr<kvr::platform::NamedMutexLock> held;
  if (hold_ms > 0) {
    held = std::make_unique<kvr::platform::NamedMutexLock>(*ConnectMutex(),
                                                           kvr::platform::kNoTimeLimit);
    Say("held " + std::to_string(Now()));
    std::this_thread::sleep_for(std::chrono::milliseconds(hold_ms));
  }
  auto database = CreateDatabase(file, GetDBPassword(), GetDBPort(), true, nullptr, kDatabaseUser,
                                 kDatabaseHost, false, "", kDatabaseCharSet);
  ConnectDatabase(*database);
  Say("connected " + std::to_string(Now()));
  // Disconnect before letting the next process in: an embedded engine holds the file.
  DisconnectDatabase(*database);
  database.reset();
  held.reset();
  UnloadHelperBinding();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  try {
    if (mode == "load") {
      kvr::db::LoadHelperBinding();
      Say("module " + kvr::db::ModuleName());
      for (std::size_t i = 0; i < kvr::db::kHelperFunctionCount; ++i)
        if (kvr::db::HelperProc(static_cast<kvr::db::HelperFunction>(i)) != nullptr)
          Say(std::string("bound ") + kvr::db::kHelperFunctionNames[i]);
      kvr::db::UnloadHelperBinding();
      return 0;
    }
    if (mode == "connect" && argc > 2) return Connect(argv[2], argc > 3 ? std::atoi(argv[3]) : 0);
    if (mode == "hold" && argc > 2) {
      auto mutex = kvr::platform::NamedMutex::Open(argv[2]);
      if (!mutex || mutex->Wait(kvr::platform::kNoTimeLimit) == kvr::platform::WaitResult::kFailed)
        return 2;
      Say("held");
      for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  } catch (const kvr::Exception& e) {
    Say(std::string("error ") + e.ClassName() + ": " + e.Message());
    return 1;
  }
  Say("usage: db_binding_probe load | connect DB [HOLD_MS] | hold NAME");
  return 2;
}
