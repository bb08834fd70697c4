// The error writer's file in the shared temporary directory, and the file built while a log is
// shortened, against links and files that another account ("nobody") plants.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "log/module_loggers.h"
#include "log/process_fixture.h"
#include "platform/clock.h"
#include "support/other_account.h"

namespace kvr::log {
namespace {

class SharedLogTest : public test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    if (!test::CanActAsAnotherAccount()) GTEST_SKIP() << "needs root to act as another account";
    ::chmod(dir_.c_str(), 0755);
    // A temporary directory like /tmp: everybody may create files, only owners remove them.
    test::fs::create_directories(Path("tmp"));
    ::chmod(Path("tmp").c_str(), 01777);
    ::setenv("TMPDIR", Path("tmp").c_str(), 1);
    ::setenv("KVR_ROOT", Path("root").c_str(), 1);
    WriteFile(Path("victim"), "secret");
    ::chmod(Path("victim").c_str(), 0600);
  }
  void TearDown() override {
    FreeReportsLog();
    FinalizeLogging();
    ::unsetenv("TMPDIR");
    ::unsetenv("KVR_ROOT");
    ScratchTest::TearDown();
  }
  std::string ErrorsPath() const { return Path("tmp/" + ErrorsWriterFileName()); }

  // An export's log line that fails (its directory is missing) and goes to the error writer.
  void FailALogWrite() {
    InitializeLogging();
    CreateReportsLog();
    ASSERT_NE(ReportsLog(), nullptr);
    ReportsLog()->Log(2, "lost line");
  }

  void ExpectVictimUntouched() {
    EXPECT_EQ(ReadFile(Path("victim")), "secret");
    struct stat st{};
    ASSERT_EQ(::stat(Path("victim").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_uid, 0u);
  }

  static mode_t ModeOf(const std::string& file) {
    struct stat st{};
    EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
    return st.st_mode & 07777;
  }
};

TEST_F(SharedLogTest, ErrorWriterFileIsPrivateToItsAccount) {
  const mode_t old_mask = ::umask(0);
  FailALogWrite();
  ::umask(old_mask);
  EXPECT_NE(ReadFile(ErrorsPath()).find("lost line"), std::string::npos);
  EXPECT_EQ(ModeOf(ErrorsPath()), 0600u);
  EXPECT_NE(ErrorsWriterFileName().find("-" + std::to_string(::geteuid()) + ".log"),
            std::string::npos);
}

TEST_F(SharedLogTest, ErrorWriterWritesNothingThroughAPlantedLink) {
  const std::string victim = Path("victim"), errors = ErrorsPath();
  ASSERT_EQ(test::RunAsNobody([&] { return ::symlink(victim.c_str(), errors.c_str()) == 0 ? 0 : 1; }), 0);
  FailALogWrite();
  ExpectVictimUntouched();
}

TEST_F(SharedLogTest, ErrorWriterLeavesAFilePlantedByAnotherAccountAlone) {
  const std::string errors = ErrorsPath();
  ASSERT_EQ(test::RunAsNobody([&] {
              WriteFile(errors, "planted");
              return ::chmod(errors.c_str(), 0666) == 0 ? 0 : 1;
            }),
            0);
  FailALogWrite();
  EXPECT_EQ(ReadFile(errors), "planted");
}

TEST_F(SharedLogTest, ShorteningGoesAroundALinkPlantedUnderTheTemporaryName) {
  InitializeLogging();
  const std::string log_file = ErrorsPath();
  const std::string temp = log_file + "_" + std::to_string(platform::CurrentProcessId()) + "_" +
                           std::to_string(platform::CurrentThreadId());
  const std::string victim = Path("victim");
  ASSERT_EQ(test::RunAsNobody([&] { return ::symlink(victim.c_str(), temp.c_str()) == 0 ? 0 : 1; }), 0);
  ErrorsWriter()->SetMaxFileSize(300);
  for (int i = 0; i < 20; ++i) ErrorsWriter()->Log(0, "line " + std::to_string(i));
  ExpectVictimUntouched();
  auto lines = Lines(ReadFile(log_file));
  ASSERT_FALSE(lines.empty());
  EXPECT_LT(lines.size(), 20u);  // shortened
  EXPECT_EQ(lines.back().substr(24), "line 19");
  EXPECT_FALSE(test::fs::exists(temp));
}

TEST_F(SharedLogTest, ShortenedLogKeepsItsOwnerAndPermissions) {
  const std::string file = Path("kept.log");
  std::string lines;
  for (int i = 0; i < 40; ++i) lines += std::string(48, 'x') + "\r\n";
  WriteFile(file, lines);
  ASSERT_EQ(::chown(file.c_str(), test::kNobodyId, test::kNobodyId), 0);
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  TDIZEvudod log(file);
  log.SetMaxFileSize(100);
  log.Log(1, "after");
  struct stat st{};
  ASSERT_EQ(::stat(file.c_str(), &st), 0);
  EXPECT_LT(st.st_size, 200);  // shortened
  EXPECT_EQ(st.st_uid, test::kNobodyId);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
}

}  // namespace
}  // namespace kvr::log
