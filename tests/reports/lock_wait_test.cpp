// Every cross-process lock an export takes, held by another process that stopped (SIGSTOP)
// while holding it: the export gives up after the lock's limit, with the text that names the
// lock and the holder's pid, and writes nothing under the export's name; once the holder is
// killed (a dead holder releases its mutex) the same export succeeds.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"
#include "support/child_process.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string U(const std::string& cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

std::string ErrorLogText() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
  if (dir.back() != '/') dir += '/';
  const std::string log = dir + "DIZEvudodErrorsWriter-" + std::to_string(::getuid()) + ".log";
  return platform::FileExists(log) ? U(platform::ReadWholeFile(log)) : "";
}

class LockWaitTest : public ExportFixture {
 protected:
  void TearDown() override {
    for (const char* variable : {"KVR_LOCK_TIMEOUT", "KVR_EXPORT_LOCK_TIMEOUT", "KVR_FB_TIMEOUT"})
      ::unsetenv(variable);
    ExportFixture::TearDown();
  }
};

TEST_F(LockWaitTest, AStoppedHolderFailsTheExportAfterTheLimitAndADeadOneFreesIt) {
  struct Case {
    const char* lock;        // the lock's word in the text
    std::string mutex;       // the name the library opens, without "Global\"
    const char* variable;    // the limit's variable
    bool result;             // the call's result on the time-out
    const char* text_start;  // what the host's text starts with then
  };
  const std::string export_file = ExportFile("ExportBCheck.dbf");
  const Case cases[] = {
      {"INI file lock", "ini file lock mutexc__windows_cnf.ini", "KVR_LOCK_TIMEOUT", false,
       "Ошибка при формировании экспортного отчета: "},
      {"connect lock", "CorvaneHelperConnectMutex", "KVR_FB_TIMEOUT", false,
       "Ошибка при формировании экспортного отчета: "},
      {"export file lock", "KVRExportFile " + export_file, "KVR_EXPORT_LOCK_TIMEOUT", true,
       "Ошибка при формировании отчета: ЭкспортЧековГСМ -> "},
      // A log line is not worth the export: the export is written, the line goes to the error
      // log with the reason.
      {"log file lock", "c__molt_logfiles_reports.log", "KVR_LOCK_TIMEOUT", true,
       "ExportBCheck.dbf"},
  };
  UseStation(StationVariant::kFull);
  fs::create_directories(Root() + "/C/MOLT/LogFiles");
  const std::vector<host_param> params = {Int(4), Date(DataBegin()), Date(DataEnd())};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lock);
    platform::ForceDirectories(ExportFile(""));
    platform::WriteWholeFile(export_file, "the export of an earlier run");
    const std::string ready = Root() + "/holder-ready";
    fs::remove(ready);
    ProcessOptions options;
    options.args = {KVR_MUTEX_CONTENDER_PATH, "Global\\" + c.mutex, "hold", ready};
    ChildProcess holder(options);
    for (int i = 0; i < 5000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(1ms);
    ASSERT_TRUE(fs::exists(ready)) << "the other process did not take the lock";
    ASSERT_EQ(::kill(holder.pid(), SIGSTOP), 0);

    ::setenv(c.variable, "1", 1);
    const auto start = std::chrono::steady_clock::now();
    const ReportResult r = Run('8', params);
    const auto waited = std::chrono::steady_clock::now() - start;
    const std::string expected_reason = "The " + std::string(c.lock) + " \"Global\\" + c.mutex +
                                        "\" was not free within 1 s: another process holds it " +
                                        "(pid " + std::to_string(holder.pid()) + ")";
    EXPECT_EQ(r.result, c.result);
    const std::string text = U(r.text);
    EXPECT_EQ(text.rfind(c.text_start, 0), 0u) << text;
    EXPECT_GE(waited, 1s);
    EXPECT_LT(waited, 2s) << "the export waited past the limit";
    if (std::string(c.lock) == "log file lock") {
      EXPECT_NE(ErrorLogText().find(expected_reason), std::string::npos)
          << "the lost line is not in the error log";
      EXPECT_NE(platform::ReadWholeFile(export_file), "the export of an earlier run");
    } else {
      EXPECT_NE(text.find(expected_reason), std::string::npos) << text;
      EXPECT_EQ(platform::ReadWholeFile(export_file), "the export of an earlier run")
          << "a failed export touched the file";
    }

    ::kill(holder.pid(), SIGKILL);
    holder.WaitFor(10s);
    RunOk('8', params, "ExportBCheck.dbf");
    EXPECT_FALSE(ReadDbf(export_file).rows.empty());
    ::unsetenv(c.variable);
  }
}

}  // namespace
}  // namespace kvr::test
