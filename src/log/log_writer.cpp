#include "log/log_writer.h"

#include <charconv>
#include <chrono>
#include <new>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/trim.h"
#include "format/date_time_text.h"
#include "format/format_settings.h"
#include "log/log_file_open.h"
#include "log/module_loggers.h"
#include "log/shared_mutex.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/wait_limits.h"
#include "ui/posted_messages.h"

namespace kvr::log {
namespace {

using namespace kvr::literals;

void AppendNumber(std::string& out, std::uint32_t value) {
  char buf[16];
  auto result = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, result.ptr);
}

const format::TFormatSettings& StampSettings() {
  return LogSettings::kUseSystemLocale ? format::DefaultFormatSettings()
                                       : format::LogFormatSettings();
}

}  // namespace

// Holds Lock() for a scope.
class TDIZEvudod::Guard {
 public:
  explicit Guard(TDIZEvudod& log) : log_(log) { log_.Lock(); }
  ~Guard() { log_.Unlock(); }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  TDIZEvudod& log_;
};

TDIZEvudod::TDIZEvudod(std::string_view file_name) {
  held_.reserve(4);
  line_.reserve(256);
  SetFileName(file_name);
}

TDIZEvudod::~TDIZEvudod() { SetUseMutex(false); }

// The limit of a wait for the file's mutex. Logging never fails for a setting: a value that
// is not valid gives the default (the export that reads it fails with the reason).
std::chrono::milliseconds TDIZEvudod::MutexWaitLimit() {
  try {
    return platform::WaitLimit(platform::kFileLockLimit);
  } catch (const Exception&) {
    return std::chrono::seconds(platform::kFileLockLimit.default_seconds);
  }
}

void TDIZEvudod::Lock() {
  main_lock_.lock();
  std::shared_ptr<platform::NamedMutex> mutex = mutex_;
  // An abandoned mutex (its holder died) is owned now like a released one; a failed wait
  // leaves the in-process lock alone to protect the file.
  const std::chrono::milliseconds limit = mutex ? MutexWaitLimit() : platform::kNoTimeLimit;
  const platform::WaitResult result = mutex ? mutex->Wait(limit) : platform::WaitResult::kAcquired;
  if (result == platform::WaitResult::kTimedOut) {
    main_lock_.unlock();
    throw Exception(platform::LockTimeoutMessage("log file lock", *mutex, limit));
  }
  if (result == platform::WaitResult::kFailed) mutex.reset();
  try {
    held_.push_back(std::move(mutex));
  } catch (...) {
    if (mutex) mutex->Release();
    main_lock_.unlock();
    throw;
  }
}

void TDIZEvudod::Unlock() {
  if (!held_.empty()) {
    // The very mutex this level took, even if FileName or UseMutex changed meanwhile.
    if (held_.back()) held_.back()->Release();
    held_.pop_back();
  }
  main_lock_.unlock();
}

void TDIZEvudod::Log(LogLevel level, std::string_view text) noexcept {
  try {
    std::lock_guard in_process(main_lock_);
    if (!active_ || file_name_.empty() || level > kMaxLogLevel || !((enabled_levels_ >> level) & 1))
      return;
    Stage stage = Stage::kBuilding;
    bool created = false;
    try {
      line_.clear();
      // A stuck holder of the file's mutex costs this line (reported below), not the caller.
      Guard guard(*this);
      BuildLine(level, text);
      created = !platform::FileExists(file_name_);
      WriteLine(created, stage);
    } catch (...) {
      ReportFailure(stage, created, text);
      if (line_.empty()) BuildLine(level, text);
      line_ += " <Ошибка при записи в лог>"_w;
    }
    RememberLine();
  } catch (...) {
    // Logging never fails its caller.
  }
}

void TDIZEvudod::LogFmt(LogLevel level, std::string_view format,
                        std::initializer_list<FormatArg> args) {
  std::string text;
  try {
    text = Format(format, args);
  } catch (const std::exception& e) {
    throw Exception("Error args for string [" + std::string(format) + "]: " + e.what());
  }
  Log(level, text);
}

void TDIZEvudod::BuildLine(LogLevel level, std::string_view text) {
  line_.clear();
  text = Trim(text);
  if (text.empty()) return;  // a bare line end
  if (show_level_char_) {
    line_ += LevelChar(level);
    line_ += ' ';
  }
  format::AppendFormatDateTime(line_, date_time_format_, platform::Now(), StampSettings());
  if (show_level_tag_) line_ += LevelTag(level);
  if (!source_tag_.empty()) {
    line_ += ' ';
    line_ += source_tag_;
  }
  if (show_process_id_ || show_thread_id_) {
    line_ += " <";
    if (show_process_id_) {
      line_ += "P:";
      AppendNumber(line_, platform::CurrentProcessId());
      if (show_thread_id_) line_ += ';';
    }
    if (show_thread_id_) {
      line_ += "T:";
      AppendNumber(line_, platform::CurrentThreadId());
    }
    line_ += '>';
  }
  line_ += ' ';
  line_ += text;
}

void TDIZEvudod::WriteLine(bool create, Stage& stage) {
  using platform::FileOpenMode;
  // A new file is created without emptying one that another writer created meanwhile.
  platform::FileStream log = OpenWithTimeout(
      file_name_, create ? FileOpenMode::kCreateOrOpen : FileOpenMode::kReadWrite, -1, place_);
  stage = Stage::kOpened;
  line_ += "\r\n";
  const bool written = log.SeekToEnd() && log.Write(line_);
  line_.resize(line_.size() - 2);
  if (!written)
    throw EWriteError("Stream write error \"" + log.NativePath() + "\". " +
                      platform::SysErrorMessage(platform::GetLastError()));
  stage = Stage::kWritten;
  const std::int64_t size = log.Size();
  if (max_file_size_ > 0 && size > max_file_size_ + max_file_size_ / 3)
    TrimBySize(log, size);
  else
    TrimByAge(log);
  if (log.IsOpen() && !log.Close())
    throw EWriteError("Stream write error \"" + platform::MapPath(file_name_) + "\". " +
                      platform::SysErrorMessage(platform::GetLastError()));
}

void TDIZEvudod::ReportFailure(Stage stage, bool created, std::string_view text) noexcept {
  if (suppress_write_errors_) return;
  TDIZEvudod* writer = ErrorsWriter();
  if (!writer || writer == this) return;
  try {
    std::string message, class_name;
    try {
      throw;
    } catch (const Exception& e) {
      message = e.Message();
      class_name = e.ClassName();
    } catch (const std::bad_alloc& e) {
      message = e.what();
      class_name = "EOutOfMemory";
    } catch (const std::exception& e) {
      message = e.what();
      class_name = "Exception";
    } catch (...) {
      message = "Unknown exception";
      class_name = "Exception";
    }
    std::string progress = created ? "fmCreate" : "fmOpenReadWrite";
    if (stage != Stage::kBuilding) progress += "-OK";
    if (stage == Stage::kWritten) progress += ";ProcessFile...";
    std::string_view line = stage == Stage::kBuilding ? Trim(text) : Trim(line_);
    writer->LogFmt(kLogPlain,
                   "Ошибка при попытке записи (%0:s) в лог \"%1:s\" строки [%2:s]: %3:s <%4:s>"_w,
                   {progress, file_name_, line, message, class_name});
  } catch (...) {
    // The error writer is the last resort; its own failures are dropped.
  }
}

void TDIZEvudod::RememberLine() noexcept {
  if (notify_window_ == 0 || notify_message_ == 0) return;
  try {
    std::lock_guard list(list_lock_);
    recent_lines_.push_back(line_);
    while (!recent_lines_.empty() &&
           recent_lines_.size() > static_cast<std::size_t>(std::max(max_recent_lines_, 0)))
      recent_lines_.pop_front();
    ui::PostMessage(notify_window_, notify_message_, 0, 0);
  } catch (...) {
  }
}

std::vector<std::string> TDIZEvudod::RecentLines() const {
  std::lock_guard list(list_lock_);
  return {recent_lines_.begin(), recent_lines_.end()};
}

void TDIZEvudod::SetFileName(std::string_view file_name) {
  std::lock_guard lock(main_lock_);
  if (file_name.empty()) return;
  std::string full(file_name);
  if (platform::ExtractFilePath(full).empty())
    full = platform::ExtractFilePath(platform::HostExecutablePath()) + full;
  if ((mutex_ || !use_mutex_) &&
      codepage::AnsiLowerCase(full) == codepage::AnsiLowerCase(file_name_))
    return;
  mutex_.reset();
  file_name_ = std::move(full);
  if (use_mutex_)
    mutex_ = CreateSharedMutex(LogFileMutexName(file_name_), LogSettings::kFailWhenMutexMissing,
                               MutexCreateErrorFormat());
}

void TDIZEvudod::SetUseMutex(bool on) {
  std::lock_guard lock(main_lock_);
  use_mutex_ = on;
  if (!on) mutex_.reset();
}

// Plain properties: read and written under the in-process lock.
#define KVR_LOG_PROPERTY(Type, Getter, Setter, field) \
  Type TDIZEvudod::Getter() const {                   \
    std::lock_guard lock(main_lock_);                 \
    return field;                                     \
  }                                                   \
  void TDIZEvudod::Setter(Type value) {               \
    std::lock_guard lock(main_lock_);                 \
    field = value;                                    \
  }

KVR_LOG_PROPERTY(std::int64_t, MaxFileSize, SetMaxFileSize, max_file_size_)
KVR_LOG_PROPERTY(bool, TrimInPlace, SetTrimInPlace, trim_in_place_)
KVR_LOG_PROPERTY(bool, Active, SetActive, active_)
KVR_LOG_PROPERTY(bool, ShowThreadId, SetShowThreadId, show_thread_id_)
KVR_LOG_PROPERTY(bool, ShowProcessId, SetShowProcessId, show_process_id_)
KVR_LOG_PROPERTY(bool, ShowLevelChar, SetShowLevelChar, show_level_char_)
KVR_LOG_PROPERTY(bool, ShowLevelTag, SetShowLevelTag, show_level_tag_)
KVR_LOG_PROPERTY(int, MaxBackups, SetMaxBackups, max_backups_)
KVR_LOG_PROPERTY(bool, SuppressWriteErrors, SetSuppressWriteErrors, suppress_write_errors_)
KVR_LOG_PROPERTY(LogLevels, EnabledLevels, SetEnabledLevels, enabled_levels_)
KVR_LOG_PROPERTY(double, MaxAge, SetMaxAge, max_age_)
KVR_LOG_PROPERTY(ui::WindowHandle, NotifyWindow, SetNotifyWindow, notify_window_)
KVR_LOG_PROPERTY(std::uint32_t, NotifyMessage, SetNotifyMessage, notify_message_)
KVR_LOG_PROPERTY(int, MaxRecentLines, SetMaxRecentLines, max_recent_lines_)
#undef KVR_LOG_PROPERTY

std::string TDIZEvudod::FileName() const {
  std::lock_guard lock(main_lock_);
  return file_name_;
}
std::string TDIZEvudod::SourceTag() const {
  std::lock_guard lock(main_lock_);
  return source_tag_;
}
void TDIZEvudod::SetSourceTag(std::string_view tag) {
  std::lock_guard lock(main_lock_);
  source_tag_ = tag;
}
std::string TDIZEvudod::DateTimeFormat() const {
  std::lock_guard lock(main_lock_);
  return date_time_format_;
}
void TDIZEvudod::SetDateTimeFormat(std::string_view format) {
  std::lock_guard lock(main_lock_);
  date_time_format_ = format;
}
bool TDIZEvudod::UseMutex() const {
  std::lock_guard lock(main_lock_);
  return use_mutex_;
}
bool TDIZEvudod::HasMutex() const {
  std::lock_guard lock(main_lock_);
  return mutex_ != nullptr;
}
bool TDIZEvudod::InSharedDirectory() const {
  std::lock_guard lock(main_lock_);
  return place_ == platform::FilePlace::kShared;
}
void TDIZEvudod::SetInSharedDirectory(bool shared) {
  std::lock_guard lock(main_lock_);
  place_ = shared ? platform::FilePlace::kShared : platform::FilePlace::kTrusted;
}
TDateTime TDIZEvudod::LastAgeCheck() const {
  std::lock_guard lock(main_lock_);
  return last_age_check_;
}

}  // namespace kvr::log
