// Age control: records older than MaxAge are dropped from the front of the log.
#include <gtest/gtest.h>

#include "format/date_time_text.h"
#include "log/log_writer.h"
#include "log/module_loggers.h"
#include "log/process_fixture.h"
#include "platform/clock.h"
#include "platform/process_environment.h"

namespace kvr::log {
namespace {

class LogAgeTest : public test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    platform::SetEnvironmentVariable("TMPDIR", dir_.string());
    InitializeLogging();
  }
  void TearDown() override {
    FinalizeLogging();
    platform::SetEnvironmentVariable("TMPDIR", "");
    ScratchTest::TearDown();
  }

  // `count` records stamped `days_ago`, each about 100 bytes, optionally with a level char.
  static std::string Records(int count, double days_ago, const std::string& label,
                             bool level_char = false) {
    const std::string stamp = format::FormatDateTime(
        "dd/mm/yyyy hh:nn:ss.zzz", platform::Now() - days_ago, format::LogFormatSettings());
    std::string text;
    for (int i = 0; i < count; ++i) {
      if (level_char) text += "+ ";
      text += stamp + " " + label + " " + std::to_string(i) + " " + std::string(60, '.') + "\r\n";
    }
    return text;
  }

  std::unique_ptr<TDIZEvudod> AgedLogger(const std::string& file) {
    auto log = std::make_unique<TDIZEvudod>(Path(file));
    log->SetShowLevelTag(false);
    log->SetMaxAge(1.0);
    return log;
  }
};

TEST_F(LogAgeTest, DropsRecordsOlderThanMaxAge) {
  const std::string young = Records(5, 0.1, "young");
  WriteFile(Path("age.log"), Records(400, 3, "old") + young);
  auto log = AgedLogger("age.log");
  EXPECT_EQ(log->LastAgeCheck(), 0);
  log->Log(1, "now");
  const std::string text = ReadFile(Path("age.log"));
  EXPECT_EQ(text.substr(0, young.size()), young);
  EXPECT_EQ(Lines(text).size(), 6u);
  EXPECT_GT(log->LastAgeCheck(), platform::Now() - 1.0 / 86400);
}

TEST_F(LogAgeTest, YoungRecordsInTheLastPartialBlockAreKept) {
  // The old part fills whole 32 KiB blocks; the young records lie in the final, partial block
  // and must survive although every record of the whole blocks is old.
  std::string old = Records(400, 5, "old", true);
  old.resize(old.size() - old.size() % 32768);
  old.resize(old.rfind("\r\n") + 2);
  const std::string young = Records(3, 0.2, "young", true);
  WriteFile(Path("tail.log"), old + young);
  auto log = AgedLogger("tail.log");
  log->Log(1, "");  // a bare line end: no young stamp of its own
  EXPECT_EQ(ReadFile(Path("tail.log")), young + "\r\n");
}

TEST_F(LogAgeTest, AllOldKeepsUnstampedLinesAfterTheLast) {
  WriteFile(Path("allold.log"), Records(400, 4, "old") + "continued text without stamp\r\n");
  auto log = AgedLogger("allold.log");
  log->Log(1, " ");
  EXPECT_EQ(ReadFile(Path("allold.log")), "continued text without stamp\r\n\r\n");
}

TEST_F(LogAgeTest, OldestRecordNotAThirdOverdueKeepsTheFile) {
  const std::string before = Records(400, 1.2, "old") + Records(2, 0.1, "young");
  WriteFile(Path("grace.log"), before);
  auto log = AgedLogger("grace.log");
  log->Log(1, "now");
  EXPECT_EQ(ReadFile(Path("grace.log")).substr(0, before.size()), before);
}

TEST_F(LogAgeTest, ScansAtMostOncePerMinuteAndOnlyAbove32KiB) {
  WriteFile(Path("small.log"), Records(10, 3, "old"));
  auto log = AgedLogger("small.log");
  log->Log(1, "now");
  EXPECT_EQ(log->LastAgeCheck(), 0);  // 32 KiB or less: no scan
  EXPECT_EQ(Lines(ReadFile(Path("small.log"))).size(), 11u);

  WriteFile(Path("small.log"), Records(400, 3, "old"));
  log->Log(1, "first");
  EXPECT_EQ(Lines(ReadFile(Path("small.log"))).size(), 1u);
  WriteFile(Path("small.log"), Records(400, 3, "old"));
  log->Log(1, "second");  // within the minute: no second scan
  EXPECT_EQ(Lines(ReadFile(Path("small.log"))).size(), 401u);
}

TEST_F(LogAgeTest, RotatesInsteadWhenNotTrimmingInPlace) {
  WriteFile(Path("rot.log"), Records(400, 3, "old") + Records(2, 0.1, "young"));
  auto log = AgedLogger("rot.log");
  log->SetTrimInPlace(false);
  log->Log(1, "now");
  EXPECT_FALSE(test::fs::exists(Path("rot.log")));
  EXPECT_EQ(Lines(ReadFile(Path("rot.log000"))).size(), 403u);
}

TEST_F(LogAgeTest, GarbageWithoutStampsIsLeftAlone) {
  std::string junk;
  std::uint32_t seed = 7;
  for (int i = 0; i < 50'000; ++i) {
    seed = seed * 1103515245u + 12345u;
    junk += static_cast<char>(seed >> 24);
  }
  WriteFile(Path("junk.log"), junk);
  auto log = AgedLogger("junk.log");
  log->Log(1, "now");
  const std::string text = ReadFile(Path("junk.log"));
  EXPECT_EQ(text.substr(0, junk.size()), junk);
  EXPECT_GT(log->LastAgeCheck(), 0);
}

}  // namespace
}  // namespace kvr::log
