#include "log/log_writer.h"

#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/text.h"
#include "format/date_time_parse.h"
#include "format/date_time_text.h"
#include "log/log_file_open.h"
#include "log/module_loggers.h"
#include "log/process_fixture.h"
#include "log/shared_mutex.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/process_environment.h"
#include "ui/posted_messages.h"

namespace kvr::log {
namespace {

using namespace kvr::literals;
using test::fs::exists;

constexpr std::size_t kStampLength = 23;  // "07.12.2026 13:18:46.123"

class LogWriterTest : public test::ScratchTest {
 protected:
  void SetUp() override {
    ScratchTest::SetUp();
    platform::SetEnvironmentVariable(
        "TMPDIR", dir_.string());  // the error writer goes to this test's directory
    InitializeLogging();
  }
  void TearDown() override {
    FinalizeLogging();
    platform::SetEnvironmentVariable("TMPDIR", "");
    ScratchTest::TearDown();
  }
  std::string ErrorsWriterText() const { return ReadFile(Path(ErrorsWriterFileName())); }

  // A logger whose lines are "<stamp> <text>".
  std::unique_ptr<TDIZEvudod> PlainLogger(const std::string& name) {
    auto log = std::make_unique<TDIZEvudod>(Path(name));
    log->SetShowLevelTag(false);
    return log;
  }
};

TDateTime StampOf(std::string_view line) {
  return format::StrToDateTime(line.substr(0, kStampLength), format::LogFormatSettings());
}

TEST_F(LogWriterTest, RecordCarriesStampTagsAndMarkers) {
  TDIZEvudod log(Path("a.log"));
  log.SetSourceTag("[Src]");
  log.SetShowLevelChar(true);
  log.SetShowProcessId(true);
  log.SetShowThreadId(true);
  log.Log(1, "  \t first message \r\n");
  log.SetShowThreadId(false);
  log.Log(2, "second");
  log.SetShowProcessId(false);
  log.SetShowThreadId(true);
  log.SetShowLevelChar(false);
  log.Log(0, "third");
  bool complete = false;
  auto lines = Lines(ReadFile(Path("a.log")), &complete);
  ASSERT_TRUE(complete);
  ASSERT_EQ(lines.size(), 3u);
  const std::string pid = std::to_string(platform::CurrentProcessId());
  const std::string tid = std::to_string(platform::CurrentThreadId());
  EXPECT_EQ(lines[0].substr(0, 2), "+ ");
  EXPECT_EQ(lines[0].substr(2 + kStampLength),
            std::string(" [инф]"_w) + " [Src] <P:" + pid + ";T:" + tid + "> first message");
  EXPECT_EQ(lines[1].substr(0, 2), "? ");
  EXPECT_EQ(lines[1].substr(2 + kStampLength),
            std::string(" [ошиб]"_w) + " [Src] <P:" + pid + "> second");
  EXPECT_EQ(lines[2].substr(kStampLength), " [Src] <T:" + tid + "> third");  // level 0: no tag
  const double seconds = (platform::Now() - StampOf(lines[2])) * 86400;
  EXPECT_GE(seconds, 0);
  EXPECT_LT(seconds, 60);
}

TEST_F(LogWriterTest, LevelTagsAndCharacters) {
  const char* tags[] = {"",        " [инф]",   " [ошиб]",  " [сбой]",
                        " [вним]", " [событ]", " [отлад]", " [другое]"};
  for (LogLevel level = 0; level <= 7; ++level) {
    EXPECT_EQ(LevelTag(level), codepage::Utf8ToCp1251(tags[level]));
    EXPECT_EQ(LevelChar(level), "-+?!#$%@"[level]);
  }
  EXPECT_EQ(LevelTag(8), "");
}

TEST_F(LogWriterTest, LevelsOutsideTheEnabledSetWriteNothing) {
  auto log = PlainLogger("levels.log");
  log->Log(8, "too high");
  log->Log(255, "far too high");
  log->SetEnabledLevels(0xFF & ~(1 << 3));
  log->Log(3, "disabled");
  log->SetActive(false);
  log->Log(1, "inactive");
  EXPECT_FALSE(exists(Path("levels.log")));
  log->SetActive(true);
  log->Log(7, "other");
  EXPECT_EQ(Lines(ReadFile(Path("levels.log"))).size(), 1u);
}

TEST_F(LogWriterTest, BlankMessageWritesABareLineEnd) {
  auto log = PlainLogger("blank.log");
  log->Log(1, " \t \r\n ");
  log->Log(1, "");
  EXPECT_EQ(ReadFile(Path("blank.log")), "\r\n\r\n");
}

TEST_F(LogWriterTest, BareFileNameGoesBesideTheHostExecutable) {
  const std::string name = "kvr-log-beside-" + std::to_string(::getpid()) + ".log";
  TDIZEvudod log(name);
  const std::string expected = platform::ExtractFilePath(platform::HostExecutablePath()) + name;
  EXPECT_EQ(log.FileName(), expected);
  log.Log(1, "here");
  EXPECT_TRUE(exists(expected));
  test::fs::remove(expected);
}

TEST_F(LogWriterTest, MutexNameFollowsTheLowerCasedPath) {
  EXPECT_EQ(LogFileMutexName("C:\\MOLT\\LogFiles\\Reports.log"), "c__molt_logfiles_reports.log");
  EXPECT_EQ(LogFileMutexName("a\"b*c/d:e<f>g?h\\i|j"), "a_b_c_d_e_f_g_h_i_j");
  EXPECT_EQ(LogFileMutexName("C:\\Логи\\X.LOG"_w), codepage::Utf8ToCp1251("c__логи_x.log"));
}

TEST_F(LogWriterTest, FileNameChangesOnlyWhenItDiffersIgnoringCase) {
  TDIZEvudod log(Path("Case.log"));
  ASSERT_TRUE(log.HasMutex());
  log.SetFileName(Path("CASE.LOG"));
  EXPECT_EQ(log.FileName(), Path("Case.log"));
  log.SetFileName("");
  EXPECT_EQ(log.FileName(), Path("Case.log"));
  log.SetUseMutex(false);
  EXPECT_FALSE(log.HasMutex());
  log.SetUseMutex(true);  // takes effect with the next new name
  EXPECT_FALSE(log.HasMutex());
  log.SetFileName(Path("other.log"));
  EXPECT_TRUE(log.HasMutex());
}

TEST_F(LogWriterTest, UnlockReleasesTheMutexTakenEvenAfterARename) {
  TDIZEvudod log(Path("held.log"));
  log.Lock();
  log.SetFileName(Path("moved.log"));
  log.Unlock();
  auto mutex = platform::NamedMutex::Open(LogFileMutexName(Path("held.log")));
  ASSERT_TRUE(mutex);
  auto taken = std::async(std::launch::async, [&] {
    platform::NamedMutexLock lock(*mutex, platform::kNoTimeLimit);
    return lock.owns();
  });
  ASSERT_EQ(taken.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_TRUE(taken.get());
}

TEST_F(LogWriterTest, WorksWithoutAMutexWhenNoneCanBeCreated) {
  WriteFile(Path("not-a-dir"), "x");
  platform::SetEnvironmentVariable("KVR_LOCK_DIR", Path("not-a-dir/locks"));
  auto log = PlainLogger("nomutex.log");
  EXPECT_FALSE(log->HasMutex());
  log->Log(1, "still written");
  EXPECT_EQ(Lines(ReadFile(Path("nomutex.log"))).size(), 1u);
  try {
    CreateSharedMutex("x", true, MutexCreateErrorFormat());
    FAIL() << "the switch makes a missing mutex an error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message().rfind("Ошибка при создании объекта \"мьютекс\": "_w, 0), 0u);
  }
}

TEST_F(LogWriterTest, LogFmtFormatsAndReportsBadArguments) {
  auto log = PlainLogger("fmt.log");
  log->LogFmt(1, "Документ \"%s\" подготовлен за %d ms"_w, {"Отчёт"_w, 1234});
  auto lines = Lines(ReadFile(Path("fmt.log")));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(kStampLength),
            std::string(" Документ \"Отчёт\" подготовлен за 1234 ms"_w));
  try {
    log->LogFmt(1, "%d items", {"text"});
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(),
              "Error args for string [%d items]: Format '%d items' invalid or incompatible with "
              "argument");
  }
}

// Writes `count` filler lines of exactly `width` bytes (CR LF included), then `tail` bytes of a
// last line, so that the file has count * width + tail bytes.
std::string Filler(std::size_t count, std::size_t width, std::size_t tail) {
  std::string text;
  text.reserve(count * width + tail);
  for (std::size_t i = 0; i < count; ++i)
    text.append(width - 2, static_cast<char>('a' + i % 26)).append("\r\n");
  if (tail >= 2) text.append(tail - 2, 'z').append("\r\n");
  return text;
}

TEST_F(LogWriterTest, SizeLimitKeepsTheLastMegabyteFromALineStart) {
  const std::string message = "new record";  // line: stamp, blank, message, CR LF = 36 bytes
  const std::size_t line_length = kStampLength + 1 + message.size() + 2;
  struct Case {
    std::size_t size_after_write;
    std::size_t expected_start;  // where the kept part begins; 0: untouched
  } cases[] = {
      {1'398'101, 0},
      {1'398'102, 349'500},  // cut at 349,526, inside the line that starts at 349,500
      {1'398'175, 349'600},  // cut between a CR and its LF: the LF stays with its line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.size_after_write);
    const std::size_t prefill = c.size_after_write - line_length;
    const std::string before = Filler(prefill / 100, 100, prefill % 100);
    ASSERT_EQ(before.size(), prefill);
    WriteFile(Path("size.log"), before);
    auto log = PlainLogger("size.log");
    log->Log(1, message);
    const std::string after = ReadFile(Path("size.log"));
    ASSERT_EQ(after.substr(0, after.size() - line_length), before.substr(c.expected_start));
    EXPECT_EQ(after.substr(after.size() - message.size() - 2), message + "\r\n");
    if (c.expected_start != 0) {
      EXPECT_NEAR(static_cast<double>(after.size()), 1'048'576.0, 100.0);
    }
  }
  EXPECT_FALSE(exists(Path("size.log_" + std::to_string(platform::CurrentProcessId()) + "_" +
                           std::to_string(platform::CurrentThreadId()))));
}

TEST_F(LogWriterTest, SizeLimitNeverTearsALine) {
  // One line longer than the limit: no line start precedes the cut, so the file stays whole
  // until a later cut falls behind that line.
  const std::string huge(1'400'000, 'h');
  WriteFile(Path("long.log"), huge + "\r\n");
  auto log = PlainLogger("long.log");
  log->SetMaxFileSize(1'000'000);
  log->Log(1, "after");
  std::string text = ReadFile(Path("long.log"));
  EXPECT_EQ(text.substr(0, huge.size() + 2), huge + "\r\n");
  log->SetMaxFileSize(50);  // the cut now falls in the line written after it
  log->Log(1, "again");
  text = ReadFile(Path("long.log"));
  auto lines = Lines(text);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].substr(kStampLength), " after");
  EXPECT_EQ(lines[1].substr(kStampLength), " again");
}

TEST_F(LogWriterTest, RotationKeepsMaxBackupsAndShiftsNumbers) {
  const std::string log_name = Path("Reports.log");
  for (int i = 0; i <= 11; ++i) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%03d", i);
    WriteFile(log_name + suffix, "old " + std::to_string(i));
  }
  WriteFile(Path("Reports.log.bak"), "unrelated");
  WriteFile(Path("Reports.log_1_2"), "unrelated");
  WriteFile(log_name, std::string(200, 'x') + "\r\n");
  TDIZEvudod log(log_name);
  log.SetTrimInPlace(false);
  log.SetMaxFileSize(100);
  log.Log(1, "rotate now");
  EXPECT_FALSE(exists(log_name));
  EXPECT_EQ(ReadFile(log_name + "000").substr(0, 202), std::string(200, 'x') + "\r\n");
  for (int i = 1; i <= 10; ++i) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, "%03d", i);
    EXPECT_EQ(ReadFile(log_name + suffix), "old " + std::to_string(i - 1)) << suffix;
  }
  EXPECT_FALSE(exists(log_name + "011"));
  EXPECT_FALSE(exists(log_name + "012"));
  EXPECT_EQ(ReadFile(Path("Reports.log.bak")), "unrelated");
  EXPECT_EQ(ReadFile(Path("Reports.log_1_2")), "unrelated");
  log.Log(1, "fresh file");
  EXPECT_EQ(Lines(ReadFile(log_name)).size(), 1u);
}

TEST_F(LogWriterTest, RotationWithoutLimitKeepsEveryOldFile) {
  const std::string log_name = Path("keep.log");
  for (int i = 0; i < 3; ++i) {
    WriteFile(log_name, std::string(200, static_cast<char>('a' + i)) + "\r\n");
    TDIZEvudod log(log_name);
    log.SetTrimInPlace(false);
    log.SetMaxFileSize(100);
    log.SetMaxBackups(0);
    log.Log(1, "r");
  }
  EXPECT_EQ(ReadFile(log_name + "000")[0], 'c');
  EXPECT_EQ(ReadFile(log_name + "001")[0], 'b');
  EXPECT_EQ(ReadFile(log_name + "002")[0], 'a');
}

TEST_F(LogWriterTest, OpenTimeoutGoesToTheErrorWriterAndRecentLines) {
  const std::string name = Path("busy.log");
  WriteFile(name, "");
  platform::FileStream holder;
  ASSERT_TRUE(
      holder.Open(name, platform::FileOpenMode::kReadWrite, platform::FileShare::kExclusive));
  auto log = PlainLogger("busy.log");
  const ui::WindowHandle window = ui::CreateMessageWindow();
  log->SetNotifyWindow(window);
  const auto start = std::chrono::steady_clock::now();
  log->Log(1, "blocked record");
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_GE(waited, std::chrono::milliseconds(200));
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
  EXPECT_EQ(ReadFile(name), "");
  auto errors = Lines(ErrorsWriterText());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].substr(kStampLength),
            std::string(" Ошибка при попытке записи (fmOpenReadWrite) в лог \""_w) + name +
                std::string("\" строки [blocked record]: "_w) +
                "Log file open timeout: 200 ms (The process cannot access the file because it is "
                "being used by another process) <Exception>");
  auto recent = log->RecentLines();
  ASSERT_EQ(recent.size(), 1u);
  EXPECT_EQ(recent[0].substr(kStampLength),
            std::string(" blocked record <Ошибка при записи в лог>"_w));
  auto messages = ui::TakePostedMessages(window);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].id, TDIZEvudod::kDefaultNotifyMessage);
  EXPECT_EQ(messages[0].wparam, 0u);
  ui::DestroyMessageWindow(window);
}

TEST_F(LogWriterTest, OpenRetriesUntilTheHolderLetsGo) {
  const std::string name = Path("retry.log");
  WriteFile(name, "");
  auto holder = std::make_unique<platform::FileStream>();
  ASSERT_TRUE(
      holder->Open(name, platform::FileOpenMode::kReadWrite, platform::FileShare::kExclusive));
  auto release = std::async(std::launch::async, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    holder.reset();
  });
  auto log = PlainLogger("retry.log");
  log->Log(1, "late but written");
  release.get();
  EXPECT_EQ(Lines(ReadFile(name)).size(), 1u);
  EXPECT_FALSE(exists(Path(ErrorsWriterFileName())));
}

TEST_F(LogWriterTest, OpenWithZeroTimeoutTriesOnce) {
  const std::string name = Path("once.log");
  WriteFile(name, "");
  platform::FileStream holder;
  ASSERT_TRUE(
      holder.Open(name, platform::FileOpenMode::kReadWrite, platform::FileShare::kExclusive));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(OpenWithTimeout(name, platform::FileOpenMode::kReadWrite, 0), EFOpenError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  // A missing file is no sharing problem: it fails at once whatever the time-out.
  EXPECT_THROW(OpenWithTimeout(Path("missing.log"), platform::FileOpenMode::kReadWrite, 5000),
               EFOpenError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
}

TEST_F(LogWriterTest, RecentLinesAreBounded) {
  auto log = PlainLogger("recent.log");
  const ui::WindowHandle window = ui::CreateMessageWindow();
  log->SetMaxRecentLines(3);
  log->Log(1, "not kept: no window yet");
  log->SetNotifyWindow(window);
  for (int i = 0; i < 5; ++i) log->Log(1, "line " + std::to_string(i));
  auto recent = log->RecentLines();
  ASSERT_EQ(recent.size(), 3u);
  EXPECT_EQ(recent[0].substr(kStampLength), " line 2");
  EXPECT_EQ(recent[2].substr(kStampLength), " line 4");
  EXPECT_EQ(ui::TakePostedMessages(window).size(), 5u);
  log->SetNotifyMessage(0);  // no message: nothing kept, nothing posted
  log->Log(1, "quiet");
  EXPECT_EQ(log->RecentLines().size(), 3u);
  EXPECT_TRUE(ui::TakePostedMessages(window).empty());
  ui::DestroyMessageWindow(window);
}

TEST_F(LogWriterTest, ThreadsShareLoggersAndTheFile) {
  // Two loggers on one file, two threads on each: the in-process lock and the file's mutex
  // together keep every record whole.
  auto first = PlainLogger("threads.log");
  auto second = PlainLogger("threads.log");
  constexpr int kPerThread = 500;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      TDIZEvudod& log = t % 2 ? *second : *first;
      for (int i = 0; i < kPerThread; ++i)
        log.Log(1, "thread " + std::to_string(t) + " " + std::string(50, 'x'));
    });
  }
  for (auto& thread : threads) thread.join();
  bool complete = false;
  auto lines = Lines(ReadFile(Path("threads.log")), &complete);
  EXPECT_TRUE(complete);
  ASSERT_EQ(lines.size(), 4u * kPerThread);
  for (const std::string& line : lines) {
    ASSERT_EQ(line.size(), kStampLength + 10 + 50) << line;
    EXPECT_EQ(line.substr(kStampLength, 8), " thread ");
  }
}

}  // namespace
}  // namespace kvr::log
