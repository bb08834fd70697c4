// Several processes log into one file at the same time; a dead lock holder blocks nobody.
#include <gtest/gtest.h>

#include <charconv>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "common/text.h"
#include "format/date_time_parse.h"
#include "format/format_settings.h"
#include "log/process_fixture.h"

namespace kvr::log {
namespace {

using namespace kvr::literals;

const std::string kProcess = KVR_BINARY_DIR "/bin/log_test_process";
constexpr int kWriters = 4;
constexpr int kRecords = 5000;

struct Record {
  int writer;
  int number;
};

// Parses "<stamp> [инф] [w<id>] record <n> <40 dots>"; false for a torn or mixed line.
bool ParseRecord(const std::string& line, Record& record) {
  constexpr std::size_t kStamp = 23;
  TDateTime stamp;
  if (line.size() < kStamp ||
      !format::TryStrToDateTime(line.substr(0, kStamp), stamp, format::LogFormatSettings()))
    return false;
  const std::string head = std::string(" [инф] [w"_w);
  std::size_t pos = kStamp;
  if (line.compare(pos, head.size(), head) != 0) return false;
  pos += head.size();
  if (pos + 1 >= line.size() || line[pos] < '0' || line[pos] > '9' || line[pos + 1] != ']')
    return false;
  record.writer = line[pos] - '0';
  pos += 2;
  const std::string word = " record ";
  if (line.compare(pos, word.size(), word) != 0) return false;
  pos += word.size();
  auto [end, ec] = std::from_chars(line.data() + pos, line.data() + line.size(), record.number);
  if (ec != std::errc()) return false;
  return std::string_view(end, line.data() + line.size() - end) == " " + std::string(40, '.');
}

class LogProcessTest : public test::ScratchTest {
 protected:
  // Starts the writers and waits for all of them.
  void RunWriters(const std::string& file, long long max_size, bool trim_in_place) {
    std::vector<test::ChildProcess*> writers;
    for (int w = 0; w < kWriters; ++w)
      writers.push_back(
          &Start(kProcess, {"write", file, std::to_string(kRecords), std::to_string(max_size),
                            trim_in_place ? "1" : "0", "0", std::to_string(w)}));
    for (test::ChildProcess* writer : writers)
      ASSERT_EQ(Finish(*writer, std::chrono::seconds(120)), 0);
  }

  // Every line of `text` is a whole record and each writer's records keep their order.
  void ExpectWholeOrderedLines(const std::string& text, std::map<int, std::vector<int>>& seen) {
    bool complete = false;
    auto lines = Lines(text, &complete);
    EXPECT_TRUE(complete) << "file ends inside a line";
    std::map<int, int> last;
    for (const std::string& line : lines) {
      Record r;
      ASSERT_TRUE(ParseRecord(line, r)) << "torn or interleaved line: [" << line << "]";
      auto it = last.find(r.writer);
      if (it != last.end()) {
        EXPECT_GT(r.number, it->second);
      }
      last[r.writer] = r.number;
      seen[r.writer].push_back(r.number);
    }
  }
};

TEST_F(LogProcessTest, SizeControlOffLosesNothing) {
  const std::string file = Path("shared.log");
  RunWriters(file, 0, true);
  std::map<int, std::vector<int>> seen;
  ExpectWholeOrderedLines(ReadFile(file), seen);
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(kWriters));
  for (auto& [writer, numbers] : seen)
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kRecords)) << writer;
}

TEST_F(LogProcessTest, TrimmingInPlaceWhileWritingKeepsLinesWhole) {
  const std::string file = Path("trim.log");
  constexpr long long kMax = 64 * 1024;
  RunWriters(file, kMax, true);
  const std::string text = ReadFile(file);
  EXPECT_LE(text.size(), static_cast<std::size_t>(kMax + kMax / 3 + 255));
  EXPECT_GE(text.size(), static_cast<std::size_t>(kMax - 200));
  std::map<int, std::vector<int>> seen;
  ExpectWholeOrderedLines(text, seen);
  // The newest records survive the trimming.
  bool has_last = false;
  for (auto& [writer, numbers] : seen) has_last |= numbers.back() == kRecords - 1;
  EXPECT_TRUE(has_last);
  for (const auto& entry : test::fs::directory_iterator(dir_))
    EXPECT_EQ(entry.path().filename().string().find("trim.log_"), std::string::npos)
        << "temporary file left: " << entry.path();
}

TEST_F(LogProcessTest, RotationWhileWritingLosesNothingWhenAllOldFilesAreKept) {
  const std::string file = Path("rot.log");
  RunWriters(file, 64 * 1024, false);  // MaxBackups 0: every old file is kept
  std::map<int, std::vector<int>> seen;
  std::size_t old_files = 0;
  for (const auto& entry : test::fs::directory_iterator(dir_)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("rot.log", 0) != 0) continue;
    if (name != "rot.log") ++old_files;
    ExpectWholeOrderedLines(ReadFile(entry.path().string()), seen);
  }
  EXPECT_GT(old_files, 10u);
  ASSERT_EQ(seen.size(), static_cast<std::size_t>(kWriters));
  for (auto& [writer, numbers] : seen) {
    std::set<int> unique(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kRecords)) << writer;
    EXPECT_EQ(unique.size(), static_cast<std::size_t>(kRecords)) << writer;
  }
}

// A writer killed at any moment, often while it shortens the log, leaves the newest lines whole:
// the lines form one run of records that reaches the last one it finished.
TEST_F(LogProcessTest, WriterKilledWhileShorteningKeepsTheNewestLines) {
  constexpr long long kMaxSize = 8'192;  // shortened every 40 records or so
  std::mt19937 random(20261209);
  int shortened = 0;
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    const std::string file = Path("killed" + std::to_string(round) + ".log");
    const std::string progress = Path("progress" + std::to_string(round));
    test::ChildProcess& writer =
        Start(kProcess, {"endless", file, std::to_string(kMaxSize), progress});
    // Past the first shortening, then a random moment within the next few of them.
    int done = -1;
    for (int i = 0; i < 10'000 && done < 200; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      std::istringstream(ReadFile(progress)) >> done;
    }
    ASSERT_GE(done, 200) << "the writer makes no progress";
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 20'000));
    Kill(writer);
    std::istringstream(ReadFile(progress)) >> done;
    bool complete = false;
    auto lines = Lines(ReadFile(file), &complete);
    // The kill may cut the record being appended; the lines before it are whole.
    if (!complete) lines.pop_back();
    ASSERT_FALSE(lines.empty());
    Record first, r;
    ASSERT_TRUE(ParseRecord(lines.front(), first)) << lines.front();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      ASSERT_TRUE(ParseRecord(lines[i], r)) << "torn line: [" << lines[i] << "]";
      ASSERT_EQ(r.number, first.number + static_cast<int>(i)) << "a gap in the records";
    }
    EXPECT_GE(r.number, done) << "the newest records are lost";
    EXPECT_LE(ReadFile(file).size(), static_cast<std::size_t>(kMaxSize + kMaxSize / 3 + 100));
    if (first.number > 0) ++shortened;
  }
  EXPECT_EQ(shortened, 40);
}

TEST_F(LogProcessTest, HolderKilledWhileLockedBlocksNobody) {
  const std::string ready = Path("ready");
  // The same path in other letter case names the same mutex.
  test::ChildProcess& holder = Start(kProcess, {"hold", Path("Shared.log"), ready});
  ASSERT_TRUE(WaitForFile(ready));
  test::ChildProcess& writer =
      Start(kProcess, {"write", Path("SHARED.LOG"), "10", "0", "1", "0", "1"});
  EXPECT_EQ(Finish(writer, std::chrono::milliseconds(300)), -1) << "the writer did not wait";
  Kill(holder);
  EXPECT_EQ(Finish(writer, std::chrono::seconds(10)), 0);
  std::map<int, std::vector<int>> seen;
  ExpectWholeOrderedLines(ReadFile(Path("SHARED.LOG")), seen);
  EXPECT_EQ(seen[1].size(), 10u);
}

}  // namespace
}  // namespace kvr::log
