// TDIZEvudod: appends one-line records to a log file that several threads and processes share.
//
// A record: [level char + blank] time stamp [level tag] [blank + source tag]
//           [blank + <P:pid;T:tid> | <P:pid> | <T:tid>] blank message CR LF
// e.g. "07.12.2026 13:18:46.123 [инф] [KVRExportCreator9] Документ ... подготовлен за 12 ms".
//
// Threads of one process are serialised by a recursive in-process lock, processes by a named
// mutex derived from the lower-cased path (shared by every process and account). The file is
// opened, appended and closed for every record; afterwards it is kept within MaxFileSize (cut
// back to a line start, or rotated into Name000 (newest) .. NameNNN) and, when MaxAge
// is set, records older than MaxAge are dropped. Nothing that goes wrong while writing reaches
// the caller: the failure is recorded by the error writer (module_loggers.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/date_time.h"
#include "common/format_text.h"
#include "log/log_levels.h"
#include "platform/file_stream.h"
#include "platform/named_mutex.h"
#include "ui/window_types.h"

namespace kvr::log {

class TDIZEvudod {
 public:
  static constexpr std::int64_t kDefaultMaxFileSize = 1'048'576;
  static constexpr std::uint32_t kDefaultNotifyMessage = 0x0400 + 321;  // WM_USER + 321

  // A bare file name is placed beside the host executable. Raises only when the unit's
  // switch makes a missing mutex an error.
  explicit TDIZEvudod(std::string_view file_name);
  ~TDIZEvudod();
  TDIZEvudod(const TDIZEvudod&) = delete;
  TDIZEvudod& operator=(const TDIZEvudod&) = delete;

  // Writes one record; never raises.
  void Log(LogLevel level, std::string_view text) noexcept;
  // Formats with Format() and writes; raises Exception "Error args for string [<format>]:
  // <reason>" when the arguments do not fit the format.
  void LogFmt(LogLevel level, std::string_view format, std::initializer_list<FormatArg> args);

  // The in-process lock, then the file's mutex (waited for at most KVR_LOCK_TIMEOUT seconds,
  // default 30); recursive. Raises Exception "The log file lock "<name>" was not free within
  // <n> s: ..." (holding nothing) when another process keeps the mutex longer; Log then
  // reports the lost line to the error writer and returns.
  void Lock();
  void Unlock();

  std::string FileName() const;
  void SetFileName(std::string_view file_name);
  std::string SourceTag() const;
  void SetSourceTag(std::string_view tag);
  bool UseMutex() const;
  // Off closes the mutex; on takes effect with the next change of FileName.
  void SetUseMutex(bool on);
  bool HasMutex() const;

  std::int64_t MaxFileSize() const;
  void SetMaxFileSize(std::int64_t bytes);  // 0 or less: no size control
  bool TrimInPlace() const;
  void SetTrimInPlace(bool in_place);  // false: rotate
  bool Active() const;
  void SetActive(bool active);
  bool ShowThreadId() const;
  void SetShowThreadId(bool show);
  bool ShowProcessId() const;
  void SetShowProcessId(bool show);
  std::string DateTimeFormat() const;
  void SetDateTimeFormat(std::string_view format);
  bool ShowLevelChar() const;
  void SetShowLevelChar(bool show);
  bool ShowLevelTag() const;
  void SetShowLevelTag(bool show);
  int MaxBackups() const;
  void SetMaxBackups(int count);  // 0 or less: keep every old file
  bool SuppressWriteErrors() const;
  void SetSuppressWriteErrors(bool suppress);
  LogLevels EnabledLevels() const;
  void SetEnabledLevels(LogLevels levels);
  // On for a file in a directory that other accounts may write (the temporary directory): it is
  // opened as platform/shared_file.h describes, and one that is not this account's own regular
  // file is not written.
  bool InSharedDirectory() const;
  void SetInSharedDirectory(bool shared);
  double MaxAge() const;
  void SetMaxAge(double days);  // 0 or less: no age control
  TDateTime LastAgeCheck() const;

  // Viewer support: with NotifyWindow and NotifyMessage set, every line written (failed ones
  // marked " <Ошибка при записи в лог>") is kept in RecentLines and the window is told.
  ui::WindowHandle NotifyWindow() const;
  void SetNotifyWindow(ui::WindowHandle window);
  std::uint32_t NotifyMessage() const;
  void SetNotifyMessage(std::uint32_t message);
  int MaxRecentLines() const;
  void SetMaxRecentLines(int count);
  std::vector<std::string> RecentLines() const;

 private:
  enum class Stage { kBuilding, kOpened, kWritten };
  class Guard;

  static std::chrono::milliseconds MutexWaitLimit();
  void BuildLine(LogLevel level, std::string_view text);
  void WriteLine(bool create, Stage& stage);
  void ReportFailure(Stage stage, bool created, std::string_view text) noexcept;
  void RememberLine() noexcept;

  void TrimBySize(platform::FileStream& log, std::int64_t size);
  void TrimByAge(platform::FileStream& log);
  std::int64_t FindAgeCut(platform::FileStream& log, std::int64_t size, TDateTime now);
  void ShortenFrom(platform::FileStream& log, std::int64_t start);
  void Rotate(platform::FileStream& log);

  mutable std::recursive_mutex main_lock_;
  mutable std::mutex list_lock_;
  std::shared_ptr<platform::NamedMutex> mutex_;
  std::vector<std::shared_ptr<platform::NamedMutex>> held_;  // mutexes taken by Lock, per level
  std::string file_name_;
  std::int64_t max_file_size_ = kDefaultMaxFileSize;
  bool trim_in_place_ = true;
  bool active_ = true;
  std::string source_tag_;
  bool show_thread_id_ = false;
  bool show_process_id_ = false;
  std::string date_time_format_ = "dd/mm/yyyy hh:nn:ss.zzz";
  bool show_level_char_ = false;
  bool show_level_tag_ = true;
  bool use_mutex_ = LogSettings::kUseMutexByDefault;
  int max_backups_ = 10;
  bool suppress_write_errors_ = false;
  LogLevels enabled_levels_ = kAllLogLevels;
  std::deque<std::string> recent_lines_;
  ui::WindowHandle notify_window_ = 0;
  std::uint32_t notify_message_ = kDefaultNotifyMessage;
  int max_recent_lines_ = 1024;
  platform::FilePlace place_ = platform::FilePlace::kTrusted;
  double max_age_ = 0;
  TDateTime last_age_check_ = 0;
  std::string line_;  // the record being written; reused so that writing does not allocate
};

}  // namespace kvr::log
