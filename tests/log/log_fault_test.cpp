// A log whose write, close or rename fails, while appending and while shortening: the failure
// reaches the error writer with the system's text, and the log keeps whole lines only.
#include <gtest/gtest.h>

#include "log/log_writer.h"
#include "log/module_loggers.h"
#include "log/process_fixture.h"
#include "platform/process_environment.h"
#include "platform/system_error.h"
#include "support/failing_file_calls.h"

namespace kvr::log {
namespace {

using Call = test::FailingFileCalls::Call;

class LogFaultTest : public test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    test::fs::create_directories(Path("tmp"));
    platform::SetEnvironmentVariable("TMPDIR", Path("tmp"));
    InitializeLogging();
  }
  void TearDown() override {
    FinalizeLogging();
    platform::SetEnvironmentVariable("TMPDIR", "");
    ScratchTest::TearDown();
  }
  std::string Errors() const { return ReadFile(Path("tmp/" + ErrorsWriterFileName())); }
  std::size_t FilesIn(const std::string& dir) const {
    std::size_t n = 0;
    for (const auto& entry : test::fs::directory_iterator(dir)) n += entry.is_regular_file();
    return n;
  }
};

TEST_F(LogFaultTest, FailedAppendIsReportedAndLeavesTheLogAsItWas) {
  test::fs::create_directories(Path("logs"));
  const std::string file = Path("logs/a.log");
  TDIZEvudod log(file);
  log.Log(1, "before");
  const std::string before = ReadFile(file);
  struct Case {
    Call call;
    std::uint32_t error;
    const char* progress;
    bool line_written;
  } cases[] = {
      {Call::kWrite, platform::kErrorDiskFull, "(fmOpenReadWrite-OK)", false},
      {Call::kClose, platform::kErrorGenFailure, "(fmOpenReadWrite-OK;ProcessFile...)", true},
  };
  std::string expected = before;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.progress);
    {
      test::FailingFileCalls faults(c.call, file, c.error);
      log.Log(1, "failing");
      EXPECT_EQ(faults.failures(), 1);
    }
    const std::string errors = Errors();
    EXPECT_NE(errors.find(c.progress), std::string::npos) << errors;
    EXPECT_NE(errors.find("Stream write error \"" + file + "\". " +
                          platform::SysErrorMessage(c.error) + " <EWriteError>"),
              std::string::npos)
        << errors;
    const std::string text = ReadFile(file);
    if (c.line_written) {
      EXPECT_EQ(text.substr(0, expected.size()), expected);
      EXPECT_EQ(text.substr(text.size() - 9), "failing\r\n");
      expected = text;
    } else {
      EXPECT_EQ(text, expected);
    }
  }
}

TEST_F(LogFaultTest, FailedShorteningKeepsTheWholeLogAndNoTemporaryFile) {
  test::fs::create_directories(Path("logs"));
  const std::string file = Path("logs/b.log");
  for (Call call : {Call::kWrite, Call::kClose, Call::kRename}) {
    SCOPED_TRACE(static_cast<int>(call));
    std::string lines;
    for (int i = 0; i < 40; ++i) lines += "old line " + std::to_string(100 + i) + "\r\n";
    WriteFile(file, lines);
    TDIZEvudod log(file);
    log.SetMaxFileSize(200);
    {
      // The file built beside the log: "b.log_<pid>_<tid>".
      test::FailingFileCalls faults(call, file + "_", platform::kErrorDiskFull);
      log.Log(1, "newest");
      EXPECT_EQ(faults.failures(), 1);
    }
    const std::string text = ReadFile(file);
    EXPECT_EQ(text.substr(0, lines.size()), lines);
    EXPECT_EQ(text.substr(text.size() - 8), "newest\r\n");
    EXPECT_EQ(FilesIn(Path("logs")), 1u) << "a temporary file is left";
    EXPECT_NE(Errors().find(". " + platform::SysErrorMessage(platform::kErrorDiskFull) +
                            " <EWriteError>"),
              std::string::npos)
        << Errors();
    log.Log(1, "then shortened");  // the next record, without the fault, cuts the log back
    EXPECT_LT(ReadFile(file).size(), 300u);
  }
}

}  // namespace
}  // namespace kvr::log
