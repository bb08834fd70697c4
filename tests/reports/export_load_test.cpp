// Several host processes on one station: every export file they write is whole at every moment
// and equal to what one process writes alone, and their shared Reports.log holds one whole line
// per export. Two processes writing the same export take turns on its named mutex.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "export_calls.h"
#include "export_harness.h"
#include "platform/file_system.h"
#include "platform/named_mutex.h"
#include "reports/export_conventions.h"
#include "support/child_process.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Rounds each process runs (every export once per round): KVR_LOAD_ROUNDS, else 10 (CI's
// time; KVR_LOAD_ROUNDS=20 gives the full load of 4 x 20 runs of every export).
int Rounds() {
  const char* v = std::getenv("KVR_LOAD_ROUNDS");
  return v && std::atoi(v) > 0 ? std::atoi(v) : 10;
}

class ExportLoadTest : public ExportFixture {
 protected:
  std::string LogFile() const { return Root() + "/C/MOLT/LogFiles/Reports.log"; }
  std::string StationDir() const { return fs::path(Station()).parent_path().string(); }

  ProcessOptions Worker(int rounds, const FirebirdServer& server) const {
    ProcessOptions options;
    options.args = {KVR_LOAD_WORKER_PATH, StationDir(), std::to_string(rounds)};
    options.env = {{"KVR_ROOT", Root()},
                   {"CORVANE_FB_PORT", std::to_string(server.port())},
                   {"CORVANE_FB_PASSWORD", server.password()}};
    return options;
  }
};

TEST_F(ExportLoadTest, FourProcessesRunningEveryExportLeaveWholeFilesAndOneLineEach) {
  UseStation(StationVariant::kFull);
  UseOffice();
  UseShop();
  FirebirdServer server;

  // What one process writes alone.
  fs::remove(LogFile());
  const ProgramResult alone = RunProgram(Worker(1, server));
  ASSERT_EQ(alone.exit_code, 0) << alone.output;
  std::map<std::string, std::string> reference;
  for (const ExportCall& call : EveryExport()) {
    reference[call.file] = platform::ReadWholeFile(ExportFile(call.file));
    ASSERT_FALSE(ReadDbf(ExportFile(call.file)).columns.empty()) << call.file;
  }
  fs::remove_all(ExportFile(""));
  fs::remove(LogFile());

  const int rounds = Rounds();
  constexpr int kProcesses = 4;
  std::vector<std::unique_ptr<ChildProcess>> workers;
  for (int p = 0; p < kProcesses; ++p)
    workers.push_back(std::make_unique<ChildProcess>(Worker(rounds, server)));
  // A collector polling the directory meanwhile: any file it finds is the whole file.
  int seen = 0;
  auto running = [&] {
    for (auto& w : workers)
      if (w->Running()) return true;
    return false;
  };
  const auto deadline = std::chrono::steady_clock::now() + 300s;
  while (running() && std::chrono::steady_clock::now() < deadline) {
    for (const auto& [file, bytes] : reference) {
      std::string found;
      try {
        found = platform::ReadWholeFile(ExportFile(file));
      } catch (const Exception&) {
        continue;  // between the delete and the rename
      }
      ++seen;
      EXPECT_EQ(found.size(), bytes.size()) << file;
      EXPECT_TRUE(found == bytes) << file;
    }
    std::this_thread::sleep_for(2ms);
  }
  for (auto& w : workers) EXPECT_EQ(w->WaitFor(10s), 0) << "a worker failed calls";
  EXPECT_GT(seen, 0);

  for (const auto& [file, bytes] : reference) {
    EXPECT_TRUE(platform::ReadWholeFile(ExportFile(file)) == bytes) << file;
  }
  for (const std::string& name : [&] {
         std::vector<std::string> names;
         for (const auto& e : fs::directory_iterator(ExportFile("")))
           names.push_back(e.path().filename());
         return names;
       }())
    EXPECT_EQ(reference.count(name), 1u) << "left in the export directory: " << name;

  // One whole line per export.
  std::istringstream log(codepage::Cp1251ToUtf8(platform::ReadWholeFile(LogFile())));
  const std::regex line_form(
      R"re(^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d\.\d{3} \[инф\] \[KVRExportCreator9\] Документ "([^"]+)" подготовлен за \d+ ms$)re");
  std::map<std::string, int> per_title;
  std::string line;
  int lines = 0;
  while (std::getline(log, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    ++lines;
    std::smatch m;
    if (!std::regex_match(line, m, line_form)) {
      ADD_FAILURE() << "not a whole export line: " << line;
      continue;
    }
    ++per_title[m[1]];
  }
  EXPECT_EQ(lines, kProcesses * rounds * static_cast<int>(EveryExport().size()));
  for (const ExportCall& call : EveryExport())
    EXPECT_EQ(per_title[call.title], kProcesses * rounds) << call.title;
}

// The named mutex of an export file held elsewhere: the second writer waits before it even
// deletes the old file, and writes its whole file once the mutex is free.
TEST_F(ExportLoadTest, ASecondWriterOfTheSameExportWaitsForTheFirst) {
  UseStation(StationVariant::kFull);
  platform::ForceDirectories(ExportFile(""));
  platform::WriteWholeFile(ExportFile("RezEnd.dbf"), "the file of the first writer");
  auto mutex =
      platform::NamedMutex::Open(reports::ExportFileMutexName(reports::ExportPath("RezEnd.dbf")));
  ASSERT_NE(mutex, nullptr);
  auto lock = std::make_unique<platform::NamedMutexLock>(*mutex, platform::kNoTimeLimit);
  ASSERT_TRUE(lock->owns());

  ProcessOptions options;
  options.args = {KVR_KVRHOST_PATH, "--root", Root(), "--database-dir",
                  StationDir(),     "6",      "5",    "3"};
  ChildProcess second(options);
  std::this_thread::sleep_for(1500ms);
  EXPECT_TRUE(second.Running()) << "the second writer did not wait";
  EXPECT_EQ(platform::ReadWholeFile(ExportFile("RezEnd.dbf")), "the file of the first writer");

  lock.reset();
  EXPECT_EQ(second.WaitFor(60s), 0);
  EXPECT_EQ(ReadDbf(ExportFile("RezEnd.dbf")).rows.size(), 12u);
}

}  // namespace
}  // namespace kvr::test
