// Cross-process behaviour with real processes (process_probe), the same on every platform.
#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <string>

#include "platform/clock.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/named_mutex.h"
#include "platform/new_file.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kvr {
namespace {

using namespace std::chrono_literals;
using platform::NamedMutex;
using platform::WaitResult;

std::string Probe() {
  return platform::ExtractFilePath(platform::HostExecutablePath()) + "process_probe" +
         KVR_EXECUTABLE_SUFFIX;
}

std::string UniqueName(const char* what) {
  static int counter = 0;
  return std::string("kvr-process-test-") + what + "-" +
         std::to_string(platform::CurrentProcessId()) + "-" + std::to_string(++counter);
}

bool AppearsWithin(const std::string& file, std::chrono::milliseconds limit) {
  for (auto waited = 0ms; waited < limit; waited += 10ms) {
    if (platform::FileExists(file)) return true;
    platform::SleepMs(10);
  }
  return false;
}

class CrossProcessTest : public ::testing::Test {
 protected:
  test::ChildProcess Start(std::vector<std::string> args) {
    test::ProcessOptions options;
    options.args = std::move(args);
    options.args.insert(options.args.begin(), Probe());
    options.output_file = dir_.File("probe.txt");
    return test::ChildProcess(options);
  }
  int Run(std::vector<std::string> args) {
    test::ProcessOptions options;
    options.args = std::move(args);
    options.args.insert(options.args.begin(), Probe());
    return test::RunProgram(options, 60s).exit_code;
  }
  test::TempDir dir_{"kvr-processes"};
};

TEST_F(CrossProcessTest, AHeldMutexExcludesTheOtherProcessUntilReleased) {
  const std::string name = UniqueName("held");
  auto holder = Start({"mutex-hold", name, dir_.File("ready"), "1500"});
  ASSERT_TRUE(AppearsWithin(dir_.File("ready"), 30s));
  auto same = NamedMutex::Open(name);
  ASSERT_TRUE(same);
  EXPECT_EQ(same->Wait(0ms), WaitResult::kTimedOut);
  EXPECT_EQ(same->Wait(30s), WaitResult::kAcquired);
  EXPECT_EQ(holder.WaitFor(30s), 0);
  EXPECT_TRUE(same->Release());
}

TEST_F(CrossProcessTest, AnotherProcessTimesOutWhileThisOneHolds) {
  const std::string name = UniqueName("timeout");
  auto mutex = NamedMutex::Open(name);
  ASSERT_TRUE(mutex);
  ASSERT_EQ(mutex->Wait(0ms), WaitResult::kAcquired);
  EXPECT_EQ(mutex->Wait(0ms), WaitResult::kAcquired);  // recursive for its owner
  EXPECT_EQ(Run({"mutex-try", name, "200"}), 2);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(Run({"mutex-try", name, "200"}), 2);  // still held once
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(Run({"mutex-try", name, "200"}), 0);
  EXPECT_FALSE(mutex->Release());  // no longer owned
}

TEST_F(CrossProcessTest, AHolderThatDiesLeavesTheMutexAbandonedToTheNext) {
  const std::string name = UniqueName("abandoned");
  // Opened first: a Windows mutex lives only while a handle to it is open.
  auto mutex = NamedMutex::Open(name);
  ASSERT_TRUE(mutex);
  auto dying = Start({"mutex-abandon", name, dir_.File("ready")});
  ASSERT_EQ(dying.WaitFor(30s), 0);
  EXPECT_EQ(mutex->Wait(5s), WaitResult::kAbandoned);
  EXPECT_TRUE(mutex->Release());
  EXPECT_EQ(mutex->Wait(0ms), WaitResult::kAcquired);  // abandoned once only
  EXPECT_TRUE(mutex->Release());
}

TEST_F(CrossProcessTest, ProcessesSharingALogLoseAndMixNoRecord) {
  const std::string log = dir_.File("shared.log");
  constexpr int kRecords = 300;
  auto first = Start({"log-write", log, std::to_string(kRecords), "1"});
  auto second = Start({"log-write", log, std::to_string(kRecords), "2"});
  ASSERT_EQ(first.WaitFor(60s), 0);
  ASSERT_EQ(second.WaitFor(60s), 0);
  std::istringstream lines(test::ReadFileText(log));
  int seen[3] = {0, 0, 0};
  for (std::string line; std::getline(lines, line);) {
    if (line.find("record ") == std::string::npos) continue;
    const bool one = line.find("[w1]") != std::string::npos;
    const bool two = line.find("[w2]") != std::string::npos;
    ASSERT_NE(one, two) << "a line of both writers or of none: " << line;
    const std::size_t end = line.find(" end");
    ASSERT_NE(end, std::string::npos) << "a cut line: " << line;
    ++seen[one ? 1 : 2];
  }
  EXPECT_EQ(seen[1], kRecords);
  EXPECT_EQ(seen[2], kRecords);
}

// Writes `text` aside and puts it in place of `target` as an export does.
bool ReplaceWith(const test::TempDir& dir, const std::string& target, const std::string& text) {
  platform::NewFile next;
  const std::string_view pieces[] = {text};
  if (!next.Create(dir.File("EXPORT.tmp")) || !next.Write(pieces) || !next.Sync() || !next.Close())
    return false;
  return platform::ReplaceFileByRename(dir.File("EXPORT.tmp"), target);
}

TEST_F(CrossProcessTest, AReplacedFileIsTheNewOneWhole) {
  const std::string target = dir_.File("EXPORT.DBF");
  platform::WriteWholeFile(target, std::string(100000, 'o'));
  const std::string new_text(150000, 'n');
  ASSERT_TRUE(ReplaceWith(dir_, target, new_text))
      << platform::SysErrorMessage(platform::GetLastError());
  EXPECT_EQ(platform::ReadWholeFile(target), new_text);
  EXPECT_FALSE(platform::FileExists(dir_.File("EXPORT.tmp")));
}

// Linux replaces the name under the reader; Windows refuses while the file is open. Either
// way the reader keeps the whole old file and the name holds one whole file.
TEST_F(CrossProcessTest, AFileOpenForReadingIsNeverMixedByAReplace) {
  const std::string target = dir_.File("EXPORT.DBF");
  const std::string old_text(100000, 'o');
  const std::string new_text(150000, 'n');
  platform::WriteWholeFile(target, old_text);
  platform::FileStream reader;
  ASSERT_TRUE(reader.Open(target, platform::FileOpenMode::kRead));
  const bool replaced = ReplaceWith(dir_, target, new_text);
  std::string seen(old_text.size(), '\0');
  ASSERT_TRUE(reader.ReadExactly(seen.data(), seen.size()));
  EXPECT_EQ(seen, old_text);
  EXPECT_TRUE(reader.Flush());  // nothing to flush on a reading stream
  EXPECT_EQ(platform::ReadWholeFile(target), replaced ? new_text : old_text);
}

}  // namespace
}  // namespace kvr
