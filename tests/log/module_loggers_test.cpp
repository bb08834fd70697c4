#include "log/module_loggers.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "log/process_fixture.h"
#include "platform/paths.h"
#include "platform/process_environment.h"

namespace kvr::log {
namespace {

using namespace kvr::literals;
constexpr std::size_t kStampLength = 23;

class ModuleLoggersTest : public test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    platform::SetEnvironmentVariable("KVR_ROOT", Path("root"));
    platform::SetEnvironmentVariable("TMPDIR", Path("tmp"));
    test::fs::create_directories(Path("tmp"));
  }
  void TearDown() override {
    FreeReportsLog();
    FinalizeLogging();
    platform::SetEnvironmentVariable("KVR_ROOT", "");
    platform::SetEnvironmentVariable("TMPDIR", "");
    ScratchTest::TearDown();
  }
  std::string ReportsPath() const { return Path("root/C/MOLT/LogFiles/Reports.log"); }
  std::string ErrorsPath() const { return Path("tmp/" + ErrorsWriterFileName()); }
};

TEST_F(ModuleLoggersTest, LifecycleCreatesAndFreesBothLoggers) {
  EXPECT_EQ(ErrorsWriter(), nullptr);
  EXPECT_EQ(ReportsLog(), nullptr);
  InitializeLogging();
  ASSERT_NE(ErrorsWriter(), nullptr);
  EXPECT_EQ(ErrorsWriter()->FileName(), ErrorsPath());
  EXPECT_TRUE(ErrorsWriter()->SuppressWriteErrors());
  EXPECT_TRUE(ErrorsWriter()->TrimInPlace());
  EXPECT_TRUE(ErrorsWriter()->HasMutex());
  CreateReportsLog();
  ASSERT_NE(ReportsLog(), nullptr);
  EXPECT_EQ(ReportsLog()->FileName(), "C:\\MOLT\\LogFiles\\Reports.log");
  EXPECT_EQ(ReportsLog()->SourceTag(), "[KVRExportCreator9]");
  EXPECT_EQ(ReportsLog()->MaxFileSize(), 1'048'576);
  // Nothing is created before the first record.
  EXPECT_FALSE(test::fs::exists(ReportsPath()));
  EXPECT_FALSE(test::fs::exists(ErrorsPath()));
  FreeReportsLog();
  EXPECT_EQ(ReportsLog(), nullptr);
  FinalizeLogging();
  EXPECT_EQ(ErrorsWriter(), nullptr);
}

TEST_F(ModuleLoggersTest, ReportsLogRecordReadsAsTheDispatchWritesIt) {
  InitializeLogging();
  CreateReportsLog();
  test::fs::create_directories(Path("root/C/MOLT/LogFiles"));
  ReportsLog()->LogFmt(1, "Документ \"%s\" подготовлен за %d ms"_w, {"Кассовые чеки"_w, 1234});
  auto lines = Lines(ReadFile(ReportsPath()));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(kStampLength),
            std::string(
                " [инф] [KVRExportCreator9] Документ \"Кассовые чеки\" подготовлен за 1234 ms"_w));
}

TEST_F(ModuleLoggersTest, MissingLogDirectoryGivesOneErrorRecordPerAttempt) {
  InitializeLogging();
  CreateReportsLog();
  for (int i = 0; i < 3; ++i) ReportsLog()->Log(2, "attempt " + std::to_string(i));
  auto lines = Lines(ReadFile(ErrorsPath()));
  ASSERT_EQ(lines.size(), 3u);
  const std::string native = ReportsPath();
  for (int i = 0; i < 3; ++i) {
    // Level 0: no tag; the message text stands in for the line, as the file never opened.
    EXPECT_EQ(lines[i].substr(kStampLength),
              std::string(" Ошибка при попытке записи (fmCreate) в лог \""_w) +
                  "C:\\MOLT\\LogFiles\\Reports.log" + std::string("\" строки [attempt "_w) +
                  std::to_string(i) + "]: Cannot create file \"" + native +
                  "\". The system cannot find the path specified <EFCreateError>");
  }
}

TEST_F(ModuleLoggersTest, FailingErrorWriterWritesNothingAnywhere) {
  platform::SetEnvironmentVariable("TMPDIR", Path("no/such/tmp"));
  InitializeLogging();
  CreateReportsLog();
  ReportsLog()->Log(2, "lost");
  ErrorsWriter()->Log(0, "lost too");
  EXPECT_FALSE(test::fs::exists(ReportsPath()));
  EXPECT_FALSE(test::fs::exists(Path("no")));
  std::size_t files = 0;
  for (const auto& entry : test::fs::recursive_directory_iterator(dir_))
    if (entry.is_regular_file() && entry.path().parent_path().filename() != "locks") ++files;
  EXPECT_EQ(files, 0u);
}

}  // namespace
}  // namespace kvr::log
