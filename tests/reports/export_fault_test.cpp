// Faults a station meets, through the real entry point: the host process killed in the middle
// of a long export, a full disk during the save, a station database that is missing or not a
// database, and a cnf.ini that is no regular file, malformed, huge or locked by another
// process. Each ends in its documented result and text; nothing is lost that existed before;
// under an export's final name there is never anything but a whole file.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "codepage/code_page.h"
#include "dbf/file_save.h"
#include "export_harness.h"
#include "ini/safe_ini_file.h"
#include "platform/file_system.h"
#include "scripted_host.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string U(const std::string& cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

// A DBF file is whole when its size is what its header announces.
void ExpectWholeDbf(const std::string& path, std::uint32_t records) {
  const std::string bytes = platform::ReadWholeFile(path);
  ASSERT_GE(bytes.size(), 32u);
  auto u16 = [&](int at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
  };
  std::uint32_t count = 0;
  std::memcpy(&count, bytes.data() + 4, 4);
  EXPECT_EQ(count, records);
  EXPECT_EQ(bytes.size(), static_cast<std::size_t>(u16(8)) + std::size_t{count} * u16(10) + 1);
  EXPECT_EQ(bytes.back(), '\x1A');
}

constexpr int kLargeSales = 40000;

class ExportFaultTest : public ExportFixture {
 protected:
  // The station with kLargeSales generated sales (made once per test process).
  static const std::string& LargeStationDir() {
    static const std::string dir = [] {
      const std::string d = Root() + "/large-station";
      fs::create_directories(d);
      GenerateLargeStationDatabase(d + "/GARVEN.FDB", kLargeSales);
      return d;
    }();
    return dir;
  }
  void UseLargeStation() { Host().answers[5] = AnswerText(LargeStationDir() + "/"); }
  static std::vector<host_param> WholeLargePeriod() {
    return {Date(At(2022, 12, 31)), Date(At(2024, 1, 1)), Int(0), Int(0)};
  }

  std::string ExportDir() const { return ExportFile(""); }
  void PutOldFile(const std::string& name) {
    platform::ForceDirectories(ExportDir());
    platform::WriteWholeFile(ExportFile(name), "the export of an earlier run");
  }
  std::string LogText() const {
    const std::string log = Root() + "/C/MOLT/LogFiles/Reports.log";
    return platform::FileExists(log) ? U(platform::ReadWholeFile(log)) : "";
  }

  // kvrhost on this root and `database_dir`, running `report` with `params`.
  static ProcessOptions Kvrhost(const std::string& database_dir, std::vector<std::string> report) {
    ProcessOptions options;
    options.args = {KVR_KVRHOST_PATH, "--root", Root(), "--database-dir", database_dir};
    options.args.insert(options.args.end(), report.begin(), report.end());
    return options;
  }
};

// ---- the host process killed

// Whether process `pid` has a file in `dir` open (as a large export has while its table fills).
bool HasFileOpenIn(pid_t pid, std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error && target.string().rfind(dir, 0) == 0) return true;
  }
  return false;
}

// After an export of `file` was killed: nothing under the final name, the old file not back;
// at most the part it was writing aside, which its next run removes.
void ExpectOnlyTheTemporaryFileOf(const std::string& file, const std::vector<std::string>& left) {
  EXPECT_LE(left.size(), 1u);
  for (const std::string& name : left)
    EXPECT_TRUE(name.starts_with(file + ".") && IsTemporarySaveName(name)) << name;
}

TEST_F(ExportFaultTest, KilledWhileItsFileIsWrittenLeavesOnlyItsTemporaryFile) {
  UseLargeStation();
  PutOldFile("SaleLog.dbf");
  ChildProcess host(Kvrhost(LargeStationDir(), {"0", "2022-12-31", "2024-01-01", "0", "0"}));
  // Killed while its file goes to the disk as the table fills.
  bool writing = false;
  const auto deadline = std::chrono::steady_clock::now() + 120s;
  while (!writing && std::chrono::steady_clock::now() < deadline && host.Running()) {
    writing = HasFileOpenIn(host.pid(), ExportDir());
    if (!writing) std::this_thread::sleep_for(1ms);
  }
  ASSERT_TRUE(writing) << "the export ended before its file was seen being written";
  ::kill(host.pid(), SIGKILL);
  EXPECT_EQ(host.WaitFor(10s), 128 + SIGKILL);
  EXPECT_EQ(NamesIn(ExportDir()).size(), 1u) << "the part written aside is left";
  ExpectOnlyTheTemporaryFileOf("SaleLog.dbf", NamesIn(ExportDir()));

  // The next export removes it and writes the whole file.
  RunOk('0', WholeLargePeriod());
  ExpectWholeDbf(ExportFile("SaleLog.dbf"), kLargeSales);
  EXPECT_EQ(NamesIn(ExportDir()), std::vector<std::string>{"SaleLog.dbf"});
}

// Only what a save of this very export left aside is cleared; other files stay.
TEST_F(ExportFaultTest, AnExportClearsOnlyItsOwnLeftovers) {
  UseStation(StationVariant::kFull);
  const std::vector<std::string> others = {"RezEnd.dbf.tmp", "RezLog.dbf.1-1.tmp",
                                           "RezEnd.dbf.x.1-1.tmp", "RezEnd.dbf.12-a.tmp",
                                           "RezEnd.dbf.12-3.tmp.keep"};
  for (const std::string& name : others) PutOldFile(name);
  PutOldFile("RezEnd.dbf.4242-7.tmp");
  PutOldFile("RezEnd.dbf.1-1.tmp");
  RunOk('6', {Int(5), Int(3)});
  std::vector<std::string> expected = others;
  expected.push_back("RezEnd.dbf");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(NamesIn(ExportDir()), expected);
}

TEST_F(ExportFaultTest, KilledWhileReadingTheDatabaseLeavesNeitherFile) {
  UseLargeStation();
  PutOldFile("SaleLog.dbf");
  ChildProcess host(Kvrhost(LargeStationDir(), {"0", "2022-12-31", "2024-01-01", "0", "0"}));
  // The old file goes first; then the rows are read for seconds, the file written aside.
  const auto deadline = std::chrono::steady_clock::now() + 60s;
  while (platform::FileExists(ExportFile("SaleLog.dbf")) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(300ms);
  ASSERT_TRUE(host.Running()) << "the export ended too soon to be killed in its middle";
  ::kill(host.pid(), SIGKILL);
  EXPECT_EQ(host.WaitFor(10s), 128 + SIGKILL);
  ExpectOnlyTheTemporaryFileOf("SaleLog.dbf", NamesIn(ExportDir()));
}

// ---- a full disk

class MountedTmpfs {
 public:
  MountedTmpfs(const std::string& dir, const char* size) : dir_(dir) {
    fs::create_directories(dir);
    const std::string options = std::string("size=") + size;
    mounted_ = ::mount("tmpfs", dir.c_str(), "tmpfs", 0, options.c_str()) == 0;
  }
  ~MountedTmpfs() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  bool mounted() const { return mounted_; }

 private:
  std::string dir_;
  bool mounted_ = false;
};

TEST_F(ExportFaultTest, AFullDiskFailsTheExportAndFreesWhatItTook) {
  UseLargeStation();
  // The export directory on a 1 MiB file system: the 36 MB sale log cannot fit.
  MountedTmpfs disk(ExportDir(), "1m");
  if (!disk.mounted()) GTEST_SKIP() << "mounting a tmpfs needs CAP_SYS_ADMIN";
  PutOldFile("SaleLog.dbf");
  const ReportResult r = Run('0', WholeLargePeriod());
  EXPECT_TRUE(r.result);
  const std::string text = U(r.text);
  const std::string head =
      "Ошибка при формировании отчета: ОтчетПоОтливам -> Cannot write file \"" +
      ExportFile("SaleLog.dbf") + "\". ";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
  EXPECT_NE(text.find(" <# EFCreateError #>"), std::string::npos) << text;
  EXPECT_NE(LogText().find("Ошибка формирования отчета №48: ОтчетПоОтливам -> Cannot write file"),
            std::string::npos);
  EXPECT_EQ(NamesIn(ExportDir()), std::vector<std::string>{}) << "temporary file left";
  // The disk is free again for the next export.
  RunOk('6', {Int(5), Int(3)});
  EXPECT_TRUE(platform::FileExists(ExportFile("RezEnd.dbf")));
}

// ---- the station database

TEST_F(ExportFaultTest, AStationDatabaseThatIsMissingOrNoDatabase) {
  const std::string dir = Root() + "/broken-station";
  const std::string file = dir + "/GARVEN.FDB";
  struct Case {
    const char* name;
    std::function<void()> make;
    const char* expected;  // part of the engine's text
  };
  const Case cases[] = {
      {"missing",
       [&] {
         fs::remove_all(dir);
         fs::create_directories(dir);
       },
       "GARVEN.FDB"},
      {"text", [&] { std::ofstream(file) << "not a database at all\n"; }, "GARVEN.FDB"},
      {"empty", [&] { std::ofstream{file}; }, "GARVEN.FDB"},
      {"a page of zeros", [&] { std::ofstream(file) << std::string(8192, '\0'); }, "GARVEN.FDB"},
      {"a directory", [&] { fs::create_directories(file); }, "GARVEN.FDB"},
  };
  Host().answers[5] = AnswerText(dir + "/");
  PutOldFile("RezEnd.dbf");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    c.make();
    std::string before;
    if (fs::is_regular_file(file)) before = platform::ReadWholeFile(file);
    const ReportResult r = Run('6', {Int(5), Int(3)});
    EXPECT_FALSE(r.result);
    const std::string text = U(r.text);
    const std::string head = "Ошибка при формировании экспортного отчета: ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    if (fs::is_regular_file(file)) {
      EXPECT_EQ(platform::ReadWholeFile(file), before) << "the engine changed the file";
    }
    EXPECT_EQ(platform::ReadWholeFile(ExportFile("RezEnd.dbf")), "the export of an earlier run");
  }
}

// ---- files another account cannot read: the host runs as `nobody`

class AsNobody {
 public:
  AsNobody() : dir_("kvr-nobody") {
    fs::permissions(dir_.path(),
                    fs::perms::all & ~fs::perms::group_write & ~fs::perms::others_write);
    for (const char* d :
         {"C/WINDOWS", "C/MOLT/EXPORT", "C/MOLT/LogFiles", "station", "fblock", "locks"}) {
      fs::create_directories(Path(d));
      ::chmod(
          Path(d).c_str(),
          std::string_view(d) == "C/WINDOWS" || std::string_view(d) == "station" ? 0755 : 01777);
    }
    ::chmod(Path("C").c_str(), 0755);
    ::chmod(Path("C/MOLT").c_str(), 0755);
    CopyTemplateDatabase(TemplateDatabase::kStationFull, Station());
  }
  std::string Path(const std::string& name) const { return dir_.path() + "/" + name; }
  std::string Station() const { return Path("station/GARVEN.FDB"); }
  std::string Settings() const { return Path("C/WINDOWS/cnf.ini"); }
  // The receipt export, run by kvrhost as nobody.
  ProgramResult RunReceipts() const {
    ProcessOptions options;
    options.args = {
        "setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", KVR_KVRHOST_PATH,
        "--root",  dir_.path(),      "--database-dir",  Path("station"),  "8",
        "4",       "2024-03-01",     "2024-03-05"};
    options.env = {{"FIREBIRD_LOCK", Path("fblock")}, {"KVR_LOCK_DIR", Path("locks")}};
    return RunProgram(options);
  }
  // Whether `nobody` can reach the build tree at all (a checkout under a private home cannot).
  bool NobodyCanRunTheHost() const {
    ProcessOptions options;
    options.args = {"setpriv",        "--reuid=nobody", "--regid=nogroup",
                    "--clear-groups", KVR_KVRHOST_PATH, "--version"};
    return RunProgram(options).exit_code == 0;
  }
  std::string FirstReceiptDate() const {
    const DbfContent dbf = ReadDbf(Path("C/MOLT/EXPORT/ExportBCheck.dbf"));
    return dbf.rows.empty() ? "" : dbf.At(0, "DATA");
  }

 private:
  TempDir dir_;
};

TEST_F(ExportFaultTest, AStationDatabaseTheHostMayNotReadFailsTheCall) {
  AsNobody machine;
  if (!machine.NobodyCanRunTheHost())
    GTEST_SKIP() << "nobody cannot run kvrhost from this build tree";
  ASSERT_EQ(::chown(machine.Station().c_str(), 65534, 65534), 0);
  const ProgramResult readable = machine.RunReceipts();
  ASSERT_EQ(readable.exit_code, 0) << "the set-up itself fails: " << readable.output;

  ASSERT_EQ(::chown(machine.Station().c_str(), 0, 0), 0);
  ASSERT_EQ(::chmod(machine.Station().c_str(), 0600), 0);
  const std::string before = platform::ReadWholeFile(machine.Station());
  const ProgramResult refused = machine.RunReceipts();
  EXPECT_EQ(refused.exit_code, 1) << refused.output;
  EXPECT_NE(refused.output.find("Ошибка при формировании экспортного отчета: "), std::string::npos)
      << refused.output;
  EXPECT_NE(refused.output.find("GARVEN.FDB"), std::string::npos) << refused.output;
  EXPECT_TRUE(platform::ReadWholeFile(machine.Station()) == before);
  // The file of the earlier run is still there: the call failed before any export began.
  EXPECT_FALSE(machine.FirstReceiptDate().empty());
}

// A settings file the host may not read reads as empty: every setting has its default.
TEST_F(ExportFaultTest, ASettingsFileTheHostMayNotReadGivesTheDefaults) {
  AsNobody machine;
  if (!machine.NobodyCanRunTheHost())
    GTEST_SKIP() << "nobody cannot run kvrhost from this build tree";
  ASSERT_EQ(::chown(machine.Station().c_str(), 65534, 65534), 0);
  platform::WriteWholeFile(machine.Settings(), "[REPORTS]\r\nUseDBETime=0\r\n");
  ASSERT_EQ(::chmod(machine.Settings().c_str(), 0644), 0);
  ASSERT_EQ(machine.RunReceipts().exit_code, 0);
  EXPECT_EQ(machine.FirstReceiptDate().find('/'), std::string::npos) << "read: dotted dates";

  ASSERT_EQ(::chmod(machine.Settings().c_str(), 0600), 0);
  const ProgramResult r = machine.RunReceipts();
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(machine.FirstReceiptDate().find('/'), std::string::npos) << "unread: the default";
  EXPECT_EQ(platform::ReadWholeFile(machine.Settings()), "[REPORTS]\r\nUseDBETime=0\r\n");
}

// ---- cnf.ini

TEST_F(ExportFaultTest, ASettingsFileThatIsNoRegularFileIsRefusedAtOnce) {
  UseStation(StationVariant::kFull);
  const std::string ini = Root() + "/C/WINDOWS/cnf.ini";
  struct Case {
    const char* name;
    std::function<void()> make;
  };
  const Case cases[] = {
      {"FIFO", [&] { ASSERT_EQ(::mkfifo(ini.c_str(), 0666), 0); }},
      {"directory", [&] { fs::create_directories(ini); }},
      {"link to a device", [&] { fs::create_symlink("/dev/zero", ini); }},
  };
  PutOldFile("RezEnd.dbf");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(ini);
    c.make();
    const ReportResult r = Run('6', {Int(5), Int(3)});
    EXPECT_FALSE(r.result);
    EXPECT_EQ(U(r.text), "Ошибка при формировании экспортного отчета: Cannot open file \"" + ini +
                             "\". Not a regular file");
    EXPECT_EQ(platform::ReadWholeFile(ExportFile("RezEnd.dbf")), "the export of an earlier run");
  }
  fs::remove_all(ini);
}

// The card file of the sale log: a FIFO in its place fails the export at once.
TEST_F(ExportFaultTest, ACardFileThatIsAFifoFailsTheSaleLogAtOnce) {
  UseStation(StationVariant::kFull);
  fs::create_directories(fs::path(CardFile()).parent_path());
  ASSERT_EQ(::mkfifo(CardFile().c_str(), 0666), 0);
  const ReportResult r = Run('0', {Date(DataBegin()), Date(DataEnd()), Int(0), Int(0)});
  EXPECT_TRUE(r.result);
  const std::string text = U(r.text);
  const std::string head =
      "Ошибка при формировании отчета: ОтчетПоОтливам -> Cannot open file \"" + CardFile() + "\". ";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
  EXPECT_FALSE(platform::FileExists(ExportFile("SaleLog.dbf")));
  fs::remove(CardFile());
}

// The receipt export writes its date-times in the US form unless UseDBETime is off: the one
// setting whose effect these files show, read from each kind of odd settings file.
TEST_F(ExportFaultTest, MalformedAndHugeSettingsFilesReadByTheRules) {
  UseStation(StationVariant::kFull);
  const std::string ini = Root() + "/C/WINDOWS/cnf.ini";
  std::string huge;
  for (int i = 0; huge.size() < 4u << 20; ++i)
    huge += "[Section" + std::to_string(i % 500) + "]\r\nKey" + std::to_string(i) +
            "=a value of some length to fill the file with " + std::string(40, 'x') + "\r\n";
  struct Case {
    const char* name;
    std::string text;
    bool us_dates;
  };
  const Case cases[] = {
      {"binary garbage", std::string("\x01\xFF\0\0[REPORTS\x00]\r\n\x7F=\x80", 14), true},
      {"a value that is no Boolean", "[REPORTS]\r\nUseDBETime=maybe\r\n", true},
      {"lines without '='", "[REPORTS]\r\nUseDBETime\r\n==\r\n=0\r\n", true},
      {"the setting after junk", "junk\r\n\r\n;comment\r\n[REPORTS]\r\n  UseDBETime = 0 \r\n",
       false},
      {"huge, the setting last", huge + "[REPORTS]\r\nUseDBETime=0\r\n", false},
      {"huge, the setting first", "[REPORTS]\r\nUseDBETime=0\r\n" + huge, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::WriteWholeFile(ini, c.text);
    const auto start = std::chrono::steady_clock::now();
    RunOk('8', {Int(4), Date(DataBegin()), Date(DataEnd())}, "ExportBCheck.dbf");
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << "a settings file read too slowly";
    const DbfContent dbf = ReadDbf(ExportFile("ExportBCheck.dbf"));
    ASSERT_FALSE(dbf.rows.empty());
    const std::string first = dbf.At(0, "DATA");
    EXPECT_EQ(first.find('/') != std::string::npos, c.us_dates) << first;
    EXPECT_EQ(platform::ReadWholeFile(ini), c.text) << "the settings file was changed";
  }
}

TEST_F(ExportFaultTest, ASettingsFileLockedByAnotherProcessIsWaitedFor) {
  UseStation(StationVariant::kFull);
  WriteSettings({{"REPORTS", "UseDBETime", "0"}});
  const std::string ready = Root() + "/contender-ready";
  fs::remove(ready);
  ProcessOptions options;
  options.args = {KVR_MUTEX_CONTENDER_PATH, ini::TSafeIniFile::MutexNameFor("C:\\WINDOWS\\cnf.ini"),
                  "hold", ready};
  ChildProcess holder(options);
  for (int i = 0; i < 5000 && !fs::exists(ready); ++i) std::this_thread::sleep_for(1ms);
  ASSERT_TRUE(fs::exists(ready)) << "the other process did not take the settings lock";
  // The holder lets go after two seconds (it dies holding the lock, which releases it).
  std::thread release([&] {
    std::this_thread::sleep_for(2s);
    ::kill(holder.pid(), SIGKILL);
  });
  const auto start = std::chrono::steady_clock::now();
  const ReportResult r = Run('8', {Int(4), Date(DataBegin()), Date(DataEnd())});
  const auto waited = std::chrono::steady_clock::now() - start;
  release.join();
  EXPECT_TRUE(r.result);
  EXPECT_EQ(U(r.text), "ExportBCheck.dbf");
  EXPECT_GE(waited, 1900ms) << "the export did not wait for the settings lock";
  const DbfContent dbf = ReadDbf(ExportFile("ExportBCheck.dbf"));
  ASSERT_FALSE(dbf.rows.empty());
  EXPECT_EQ(dbf.At(0, "DATA").find('/'), std::string::npos) << "the settings were not read";
}

}  // namespace
}  // namespace kvr::test
