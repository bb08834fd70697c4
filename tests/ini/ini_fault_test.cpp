// Writes of an INI file whose write, close or rename fails: the error names the operation and
// ends in the system's text, and the file keeps its old content whole.
#include <gtest/gtest.h>

#include "common/exceptions.h"
#include "ini/safe_ini_file.h"
#include "log/process_fixture.h"
#include "platform/system_error.h"
#include "support/failing_file_calls.h"

namespace kvr::ini {
namespace {

using Call = test::FailingFileCalls::Call;

class IniFaultTest : public test::ScratchTest {
 protected:
  // The regular files of the scratch directory (the lock files aside).
  std::vector<std::string> Files() const {
    std::vector<std::string> names;
    for (const auto& entry : test::fs::directory_iterator(dir_))
      if (entry.is_regular_file()) names.push_back(entry.path().filename().string());
    return names;
  }
};

TEST_F(IniFaultTest, FailedWriteEndsInTheSystemTextAndKeepsTheOldFile) {
  const std::string file = Path("cnf.ini");
  const std::string old_text = "; settings\r\n[REPORTS]\r\nA=1\r\nLong=" + std::string(5'000, 'x') + "\r\n";
  struct Case {
    Call call;
    std::uint32_t error;
  } cases[] = {
      {Call::kWrite, platform::kErrorDiskFull},
      {Call::kClose, platform::kErrorDiskFull},
      {Call::kRename, platform::kErrorAccessDenied},  // retried for a second, then given up
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.call));
    WriteFile(file, old_text);
    TSafeIniFile ini(file);
    std::string message;
    {
      test::FailingFileCalls faults(c.call, dir_.string(), c.error);
      try {
        ini.WriteString("REPORTS", "A", std::string(70'000, 'n'));  // several parts
      } catch (const Exception& e) {
        message = e.Message();
      }
      EXPECT_GT(faults.failures(), 0);
    }
    EXPECT_EQ(message, "TSafeIniFile.WriteString -> " + platform::SysErrorMessage(c.error) +
                           " -> Unable to write to " + file);
    EXPECT_EQ(ReadFile(file), old_text);
    EXPECT_EQ(Files(), std::vector<std::string>{"cnf.ini"}) << "a temporary file is left";
    EXPECT_EQ(ini.ReadString("REPORTS", "A", ""), "1");
  }
}

}  // namespace
}  // namespace kvr::ini
