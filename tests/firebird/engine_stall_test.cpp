// An attach that the embedded engine never finishes: another process stopped (SIGSTOP) while
// its transaction held the database's pages, so the engine of this process waits for locks
// nobody will give up. The attach gives up after its connect time-out with the engine's
// time-out text, and once the other process is gone the database opens again.
//
// The suite runs the engine shared between processes (ServerMode SuperClassic: tests/firebird/
// CMakeLists.txt sets FIREBIRD to such a configuration), the mode in which processes of a
// station open one database at once.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "common/exceptions.h"
#include "firebird/database_file.h"
#include "firebird/ib_database.h"
#include "support/child_process.h"
#include "support/firebird_fixture.h"
#include "support/temp_dir.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

void Open(TIBDatabase& database, const std::string& path, int connect_timeout) {
  database.SetDatabaseName(path);
  database.Params().SetValues("user_name", "SYSDBA");
  database.Params().SetValues("connect_timeout", std::to_string(connect_timeout));
  database.Open();
}

TEST(EngineStall, AnAttachThatTheEngineNeverFinishesFailsAfterTheTimeOut) {
  // A lock directory of its own: engines of other modes must not meet this one's.
  ::setenv("FIREBIRD_LOCK", KVR_ENGINE_LOCK_DIR, 1);
  test::TempDir dir("kvr-engine-stall");
  const std::string database = dir.File("STALL.FDB");
  firebird::DatabaseFileOptions file_options;
  file_options.forced_writes = false;
  firebird::CreateDatabaseFile(database, file_options);
  test::RunSql(database, "CREATE TABLE T (X INTEGER);\nCOMMIT;\n");
  const std::string ready = dir.File("ready");
  {
    std::ofstream script(dir.File("hold.sql"));
    // isql waits for the shell command with its transaction open and the pages it wrote held.
    script << "INSERT INTO T VALUES (1);\nSHELL touch " << ready << ";\nSHELL sleep 20;\n";
  }
  test::ProcessOptions options;
  options.args = {"isql-fb", "-q", "-user", "SYSDBA", "-i", dir.File("hold.sql"), database};
  test::ChildProcess holder(options);
  for (int i = 0; i < 10000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(fs::exists(ready)) << "the other process did not write";
  ASSERT_EQ(::kill(holder.pid(), SIGSTOP), 0);

  std::string message = "<attached>";
  const auto start = std::chrono::steady_clock::now();
  {
    TIBDatabase stalled;
    try {
      Open(stalled, database, 1);
    } catch (const EIBClientError& e) {
      message = e.Message();
    }
  }
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(message,
            "The database engine did not answer within 1 s while opening \"" + database + "\"");
  EXPECT_LT(waited, 2s);

  ::kill(holder.pid(), SIGKILL);
  holder.WaitFor(10s);
  TIBDatabase again;
  EXPECT_NO_THROW(Open(again, database, 30));
  EXPECT_TRUE(again.Connected());
}

}  // namespace
}  // namespace kvr
