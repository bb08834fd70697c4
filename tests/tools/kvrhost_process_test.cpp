// kvrhost as a person or a script runs it: a real process, the real library, real databases;
// exit status, standard output and standard error apart.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "ini/safe_ini_file.h"
#include "kvr/host_abi.h"
#include "kvrhost_runner.h"
#include "station_root.h"
#include "support/child_process.h"

namespace kvr::test {
namespace {

using namespace std::chrono_literals;

std::size_t Lines(const std::string& text) {
  std::size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

TEST(KvrhostProcess, ControlCommandSucceeds) {
  RunResult r = RunKvrhost({"--control", "0,/srv/station,АЗС 1,1"});
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(
      r.out.find("control: # [1000, 0, \"/srv/station\", \"АЗС 1\", 1]\nresult: false\ntext: \n"),
      std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("elapsed: "), std::string::npos);
  EXPECT_EQ(r.err, "");
}

// --no-check hands the parameters over as they are, so the library's own answers show.
// (Without it both calls are usage errors: an unknown sub-code, a command that is not 1000.)
TEST(KvrhostProcess, UncheckedCallsReachTheLibrary) {
  RunResult r = RunKvrhost({"--no-check", "--payment-names", "A;B", "8", "0"});
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("report: 8 [0]\nresult: false"), std::string::npos) << r.out;

  r = RunKvrhost({"--no-check", "#", "abc"});
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("text: Ошибка при формировании экспортного отчета: Could not convert "
                       "variant of type (String) into type (Integer)"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.err,
            "kvrhost: report # failed: Ошибка при формировании экспортного отчета: Could "
            "not convert variant of type (String) into type (Integer)\n");
}

TEST(KvrhostProcess, HelpAndVersion) {
  RunResult help = RunKvrhost({"--help"});
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.out.find("PARAM syntax"), std::string::npos);
  EXPECT_NE(help.out.find("6 LAST-SHIFT FIRST-SHIFT"), std::string::npos);
  RunResult dbf_help = RunKvrhost({"dbf", "--help"});
  EXPECT_EQ(dbf_help.exit_code, 0);
  EXPECT_NE(dbf_help.out.find("--csv"), std::string::npos);
  RunResult version = RunKvrhost({"--version"});
  EXPECT_EQ(version.exit_code, 0);
  EXPECT_EQ(version.out, std::string("kvrhost ") + KVR_VERSION_STRING +
                             " (libKVRExportCreator9.so host interface)\n");
}

// Bad input is one line on standard error naming what is wrong, exit status 2, and nothing
// on standard output. The library path given does not exist, so an error that named anything
// else than the mistake (or got as far as loading) would show.
TEST(KvrhostProcess, BadInputIsOneLineAndExitStatus2) {
  StationRoot root;
  const std::string nolib = "--library=/nonexistent/libKVRExportCreator9.so";
  const std::string missing = root.path() + "/missing";
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{nolib, "--bogus", "8", "2"}, "kvrhost: unknown or ambiguous option '--bogus'"},
      {{nolib, "--host-kind"}, "kvrhost: option '--host-kind' needs a value"},
      {{nolib, "--database-dir", root.StationDir(), "1", "2026-13-01", "2026-12-02"},
       "kvrhost: report 1, begin: '2026-13-01' is not a date-time"},
      {{nolib, "--database-dir", root.StationDir(), "2", "d:2026-02-30", "2026-12-02"},
       "kvrhost: parameter 'd:2026-02-30': not a date-time"},
      {{nolib, "--settings", missing + "/kvrhost.conf", "8", "2"},
       "kvrhost: cannot read the settings file " + missing + "/kvrhost.conf"},
      {{nolib, "--root", missing, "--database-dir", root.StationDir(), "8", "2"},
       "kvrhost: the root directory " + missing + " does not exist"},
      {{nolib, "--root", root.path(), "8", "2"}, "kvrhost: no station database directory is known"},
      {{nolib, "--root", root.path(), "--database-dir", missing, "8", "2"},
       "kvrhost: the station database directory " + missing + " does not exist"},
      {{nolib, "--root", root.path(), "--database-dir", root.path(), "8", "2"},
       "kvrhost: the station database directory holds no GARVEN.FDB: " + root.path() +
           "/GARVEN.FDB"},
      {{nolib, "--root", root.path(), "--database-dir", root.StationDir(), "0", "2024-03-01",
        "2024-03-05", "0", "0", "s:D:\\NOSHOP\\"},
       "kvrhost: the shop database directory " + root.path() + "/D/NOSHOP/ does not exist"},
      {{nolib, "--database-dir", root.StationDir(), "6", "6"},
       "kvrhost: report 6 needs: last shift, first shift (1 given)"},
      {{nolib, "5"}, "kvrhost: unknown report '5'"},
      {{"dbf", missing + ".dbf"},
       "kvrhost: cannot open " + missing + ".dbf: No such file or directory"},
      {{"dbf", "-n", "x", "f.dbf"}, "kvrhost: dbf: -n needs a record count, not 'x'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    RunResult r = RunKvrhost(c.args);
    EXPECT_EQ(r.exit_code, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_TRUE(r.err.starts_with(c.error)) << r.err;
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
  }
}

TEST(KvrhostProcess, ReportPrintsTheFileItsRecordsAndTheRate) {
  StationRoot root;
  RunResult r = RunKvrhost(Join(root.HostArgs(), {"8", "1", "0", "0", "2026-12-01", "2026-12-02"}));
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  // No payment names given: the library's default list of 13 payment types.
  EXPECT_NE(r.out.find("text: ExportVidOpl.dbf\nelapsed: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("file: " + root.ExportFile("ExportVidOpl.dbf") + "\nrecords: 13\nrows/s: "),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.err, "");  // no terminal: no progress line
}

TEST(KvrhostProcess, JsonOfASuccessOnTheDemoStation) {
  StationRoot root;
  RunResult r = RunKvrhost(Join(root.HostArgs(), {"--json", "8", "4", "2024-03-01", "2024-03-05"}));
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Lines(r.out), 1u) << r.out;
  auto json = ParseJsonObject(r.out);
  EXPECT_EQ(json["result"], "true");
  EXPECT_EQ(json["ok"], "true");
  EXPECT_EQ(json["text"], "\"ExportBCheck.dbf\"");
  EXPECT_EQ(json["file"], "\"" + root.ExportFile("ExportBCheck.dbf") + "\"");
  EXPECT_EQ(json["call"], "\"report\"");
  EXPECT_EQ(json["code"], "\"8\"");
  EXPECT_EQ(json["exit_status"], "0");
  // The record count is the file's, as dbfread counts it.
  RunResult count = RunProcess({SystemPython(), "-c",
                                "import sys, dbfread; print(len(list(dbfread.DBF(sys.argv[1]))))",
                                root.ExportFile("ExportBCheck.dbf")});
  ASSERT_EQ(count.exit_code, 0) << count.err;
  EXPECT_EQ(json["records"] + "\n", count.out);
  EXPECT_GT(std::stoi(json["records"]), 0);
  const double elapsed = std::stod(json["elapsed_ms"]);
  EXPECT_GT(elapsed, 0);
  EXPECT_NEAR(std::stod(json["rows_per_second"]), std::stoi(json["records"]) * 1000.0 / elapsed,
              0.1);
}

TEST(KvrhostProcess, JsonOfAnExportFailure) {
  StationRoot root;
  // The shop directory exists but holds no shop database: the export fails, the call is true.
  RunResult r = RunKvrhost(Join(root.HostArgs(), {"--json", "--control", "0", "0", "2024-03-01",
                                                  "2024-03-05", "0", "0", "s:C:\\MOLT\\"}));
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  auto json = ParseJsonObject(r.out);
  EXPECT_EQ(json["result"], "true");
  EXPECT_EQ(json["ok"], "false");
  EXPECT_TRUE(json["text"].starts_with("\"Ошибка при формировании отчета: ОтчетПоОтливам -> "))
      << json["text"];
  EXPECT_EQ(json["file"], "null");
  EXPECT_EQ(json["records"], "null");
  EXPECT_EQ(json["exit_status"], "1");
  // The control command sent first has its own member.
  auto control = ParseJsonObject(json["control"]);
  EXPECT_EQ(control["result"], "false");
  EXPECT_EQ(control["text"], "\"\"");
  EXPECT_EQ(control["ok"], "true");
  EXPECT_TRUE(r.err.starts_with("kvrhost: report 0 failed: Ошибка при формировании отчета: "))
      << r.err;
  EXPECT_EQ(Lines(r.err), 1u) << r.err;
}

TEST(KvrhostProcess, JsonOfAUsageError) {
  RunResult r = RunKvrhost({"--json", "--", "6", "1"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(Lines(r.err), 1u) << r.err;
  auto json = ParseJsonObject(r.err);
  EXPECT_EQ(json["error"], "\"report 6 needs: last shift, first shift (1 given)\"");
  EXPECT_EQ(json["exit_status"], "2");
  // Even a mistake that stands before --json is told as JSON.
  r = RunKvrhost({"--bogus", "--json", "8", "2"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_EQ(ParseJsonObject(r.err)["error"], "\"unknown or ambiguous option '--bogus'\"");
}

// Another process holding the settings file's lock holds the library inside the call (it waits
// for the lock before it reads cnf.ini) until the holder goes: a call as long as the test wants.
// The lock directory is the test's own, inherited by kvrhost and the holder alike.
class SlowCall {
 public:
  explicit SlowCall(const StationRoot& root) : lock_dir_(root.path() + "/locks") {
    std::ofstream(root.path() + "/C/WINDOWS/cnf.ini", std::ios::binary)
        << "[REPORTS]\r\nGSMTbl=0\r\n";
    ::setenv("KVR_LOCK_DIR", lock_dir_.c_str(), 1);
    const std::string ready = root.path() + "/holder-ready";
    std::remove(ready.c_str());
    ProcessOptions options;
    options.args = {KVR_MUTEX_CONTENDER_PATH,
                    ini::TSafeIniFile::MutexNameFor("C:\\WINDOWS\\cnf.ini"), "hold", ready};
    holder_ = std::make_unique<ChildProcess>(options);
    for (int i = 0; i < 5000 && ::access(ready.c_str(), F_OK) != 0; ++i)
      std::this_thread::sleep_for(1ms);
    EXPECT_EQ(::access(ready.c_str(), F_OK), 0) << "the holder did not take the settings lock";
  }
  // Lets the call go on after `after` (the holder dies holding the lock, which releases it).
  void ReleaseAfter(std::chrono::milliseconds after) {
    releaser_ = std::thread([this, after] {
      const auto start = std::chrono::steady_clock::now();
      while (!stop_ && std::chrono::steady_clock::now() - start < after)
        std::this_thread::sleep_for(5ms);
      ::kill(holder_->pid(), SIGKILL);
    });
  }
  ~SlowCall() {
    stop_ = true;
    if (releaser_.joinable()) releaser_.join();
    ::kill(holder_->pid(), SIGKILL);
    holder_.reset();
    ::unsetenv("KVR_LOCK_DIR");
  }

 private:
  std::string lock_dir_;
  std::unique_ptr<ChildProcess> holder_;
  std::atomic<bool> stop_{false};
  std::thread releaser_;
};

TEST(KvrhostProcess, CtrlCEndsWithExitStatus130) {
  StationRoot root;
  SlowCall slow(root);  // never released: only Ctrl-C ends the call
  RunOptions options;
  options.interrupt_after = 1500ms;
  options.timeout = 30s;
  RunResult r =
      RunKvrhost(Join(root.HostArgs(), {"8", "1", "0", "0", "2026-12-01", "2026-12-02"}), options);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.exit_code, 130) << r.out << r.err;
  EXPECT_NE(r.err.find("kvrhost: interrupted\n"), std::string::npos) << r.err;

  r = RunKvrhost(Join(root.HostArgs(), {"--json", "8", "2"}), options);
  EXPECT_EQ(r.exit_code, 130) << r.out << r.err;
  EXPECT_EQ(r.out, "");  // no half object for a script
  EXPECT_NE(r.err.find("{\"error\":\"interrupted\",\"exit_status\":130}"), std::string::npos)
      << r.err;
}

TEST(KvrhostProcess, ProgressLinesOnlyOnATerminalOrWhenAskedFor) {
  StationRoot root;
  const std::vector<std::string> report = {"8", "1", "0", "0", "2026-12-01", "2026-12-02"};
  {
    SlowCall slow(root);
    slow.ReleaseAfter(2500ms);
    RunResult r = RunKvrhost(Join(root.HostArgs(), Join({"--progress"}, report)));
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(
        r.err.find("report 8 sub-code 1 running... 1 s\nreport 8 sub-code 1 running... 2 s\n"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("records: 13\n"), std::string::npos) << r.out;
  }
  {
    SlowCall slow(root);
    slow.ReleaseAfter(1500ms);
    RunResult r = RunKvrhost(Join(root.HostArgs(), report));
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_EQ(r.err, "");  // a script gets nothing but the result
  }
  {
    SlowCall slow(root);
    slow.ReleaseAfter(1500ms);
    RunOptions terminal;
    terminal.stderr_on_terminal = true;
    RunResult r = RunKvrhost(Join(root.HostArgs(), report), terminal);
    EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("\r| report 8 sub-code 1 running... 1."), std::string::npos) << r.err;
    EXPECT_TRUE(r.err.ends_with("\r\033[K")) << r.err;  // the line is cleared at the end
  }
}

// A dBase III file with one text field NAME (10) and two records; no code-page mark.
std::string WriteDbf(const std::string& name, const std::string& first, const std::string& second) {
  std::string image(32, '\0');
  image[0] = 0x03;
  image[1] = 126;  // 2026
  image[2] = 12;
  image[3] = 7;
  image[4] = 2;            // two records
  image[8] = 32 + 32 + 1;  // header length
  image[10] = 1 + 10;      // record length
  std::string field(32, '\0');
  field.replace(0, 4, "NAME");
  field[11] = 'C';
  field[16] = 10;
  image += field;
  image += '\x0D';
  for (const std::string& text : {first, second})
    image += " " + (text + std::string(10, ' ')).substr(0, 10);
  image += '\x1A';
  std::string path = ::testing::TempDir() + name;
  std::ofstream(path, std::ios::binary) << image;
  return path;
}

TEST(KvrhostProcess, DumpsDbfFilesInBothCodePages) {
  const std::string oem =
      WriteDbf("kvrhost-oem.dbf", "\x8A\xA0\xE1\xE1\xA0", "Card");  // "Касса" in 866
  RunResult r = RunKvrhost({"dbf", oem});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("NAME"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Касса"), std::string::npos) << r.out;

  const std::string ansi = WriteDbf("kvrhost-ansi.dbf", "\xCA\xE0\xF1\xF1\xE0", "Card");  // in 1251
  r = RunKvrhost({"dbf", ansi, "--ansi"});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("Касса"), std::string::npos) << r.out;
  r = RunKvrhost({"dbf", "--csv", "-n", "1", ansi, "--ansi"});
  EXPECT_EQ(r.out, "NAME\r\nКасса\r\n");

  // A missing file is a usage error now (it was a failure, 1, before the checks).
  EXPECT_EQ(RunKvrhost({"dbf", "/nonexistent/file.dbf"}).exit_code, 2);
  std::remove(oem.c_str());
  std::remove(ansi.c_str());
}

}  // namespace
}  // namespace kvr::test
