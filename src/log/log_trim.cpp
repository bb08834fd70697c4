// Size and age control of TDIZEvudod: shortening and rotation.
#include <memory>

#include "common/exceptions.h"
#include "common/format_text.h"
#include "format/date_time_parse.h"
#include "format/date_time_text.h"
#include "format/format_settings.h"
#include "log/log_rotation.h"
#include "log/log_writer.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr::log {
namespace {

constexpr std::size_t kCopyBlock = 65536;
constexpr std::int64_t kAgeBlock = 32768;
constexpr std::int64_t kLineSearchBlock = 4096;

[[noreturn]] void RaiseRead(const platform::FileStream& file) {
  throw EReadError("Stream read error \"" + file.NativePath() + "\". " +
                   platform::SysErrorMessage(platform::GetLastError()));
}
[[noreturn]] void RaiseWrite(const platform::FileStream& file) {
  throw EWriteError("Stream write error \"" + file.NativePath() + "\". " +
                    platform::SysErrorMessage(platform::GetLastError()));
}

// Copies `count` bytes from the position of `from` to the position of `to`.
void CopyBytes(platform::FileStream& from, platform::FileStream& to, std::int64_t count,
               char* buffer) {
  while (count > 0) {
    std::size_t chunk = static_cast<std::size_t>(std::min<std::int64_t>(count, kCopyBlock));
    if (!from.ReadExactly(buffer, chunk)) RaiseRead(from);
    if (!to.Write(buffer, chunk)) RaiseWrite(to);
    count -= static_cast<std::int64_t>(chunk);
  }
}

// The start of the line that holds byte `cut`: just after the nearest line break before it.
// When no break precedes the cut, the line starts the file (0): a line is never torn.
std::int64_t LineStartBefore(platform::FileStream& log, std::int64_t cut, std::int64_t size) {
  char block[kLineSearchBlock];
  std::int64_t end = cut;
  while (end > 0) {
    std::int64_t begin = std::max<std::int64_t>(0, end - kLineSearchBlock);
    std::size_t length = static_cast<std::size_t>(end - begin);
    if (!log.Seek(begin) || !log.ReadExactly(block, length)) RaiseRead(log);
    for (std::size_t i = length; i > 0; --i) {
      char c = block[i - 1];
      if (c != '\n' && c != '\r') continue;
      std::int64_t start = begin + static_cast<std::int64_t>(i);
      if (c == '\r' && start < size) {  // a cut between CR and LF keeps the LF with its line
        char next;
        if (!log.Seek(start) || !log.ReadExactly(&next, 1)) RaiseRead(log);
        if (next == '\n') ++start;
      }
      return start;
    }
    end = begin;
  }
  return 0;
}

bool IsLevelChar(char c) { return kLevelChars.find(c) != std::string_view::npos; }

}  // namespace

void TDIZEvudod::Rotate(platform::FileStream& log) {
  log.Close();
  RotateLogFiles(file_name_, max_backups_);
}

void TDIZEvudod::TrimBySize(platform::FileStream& log, std::int64_t size) {
  if (!trim_in_place_) {
    Rotate(log);
    return;
  }
  if (size <= max_file_size_ + 255) return;
  ShortenFrom(log, LineStartBefore(log, size - max_file_size_, size));
}

// The kept lines go to a new file beside the log, which then replaces the log by a rename: a
// process killed at any moment leaves the whole old log or the whole shortened one, never a
// log that lost its newest lines.
void TDIZEvudod::ShortenFrom(platform::FileStream& log, std::int64_t start) {
  if (start <= 0) return;
  const std::int64_t size = log.Size();
  if (size < 0) RaiseRead(log);
  const std::string temp_name =
      Format("%s_%d_%d", {file_name_, platform::CurrentProcessId(), platform::CurrentThreadId()});
  platform::FileStream temp;
  const auto create = [&] {
    return temp.Open(temp_name, platform::FileOpenMode::kCreateNew, platform::FileShare::kDenyNone,
                     place_);
  };
  // A name left by a process that died with the same ids is ours to reuse.
  if (!create() && !(platform::GetLastError() == platform::kErrorFileExists &&
                     platform::DeleteFile(temp_name) && create()))
    throw EFCreateError("Cannot create file \"" + platform::MapPath(temp_name) + "\". " +
                        platform::SysErrorMessage(platform::GetLastError()));
  struct TempRemover {
    platform::FileStream& file;
    const std::string& name;
    bool renamed = false;
    ~TempRemover() {
      file.Close();
      if (!renamed) platform::DeleteFile(name);
    }
  } remover{temp, temp_name};
  auto buffer = std::make_unique<char[]>(kCopyBlock);
  if (!log.Seek(start)) RaiseRead(log);
  CopyBytes(log, temp, size - start, buffer.get());
  if (!temp.TakeAccessOf(log) || !temp.Flush() || !temp.Close()) RaiseWrite(temp);
  log.Close();
  if (!platform::RenameFileReplacing(temp_name, file_name_)) RaiseWrite(temp);
  remover.renamed = true;
}

void TDIZEvudod::TrimByAge(platform::FileStream& log) {
  if (max_age_ <= 0) return;
  const std::int64_t size = log.Size();
  const TDateTime now = platform::Now();
  constexpr double kIntervalDays = LogSettings::kAgeCheckIntervalSeconds / 86400.0;
  if (size <= kAgeBlock || !(now - kIntervalDays > last_age_check_)) return;
  struct Finish {
    TDIZEvudod& self;
    platform::FileStream& log;
    ~Finish() {
      log.Close();
      self.last_age_check_ = platform::Now();
    }
  } finish{*this, log};
  const std::int64_t cut = FindAgeCut(log, size, now);
  if (cut < 0) return;
  if (trim_in_place_) {
    if (cut >= size) {
      if (!log.SetSize(0)) RaiseWrite(log);
    } else {
      ShortenFrom(log, cut);
    }
  } else {
    Rotate(log);
  }
}

// Reads every record's time stamp from the oldest on. Returns -1 to keep the file, else the
// offset from which to keep it: the first record younger than MaxAge that follows an older one
// or, when every stamped record is older, the end of the last stamped record (lines without a
// readable stamp after it are kept, since their age is unknown).
std::int64_t TDIZEvudod::FindAgeCut(platform::FileStream& log, std::int64_t size, TDateTime now) {
  const format::TFormatSettings& settings =
      LogSettings::kUseSystemLocale ? format::DefaultFormatSettings() : format::LogFormatSettings();
  const std::size_t stamp_length = format::FormatDateTime(date_time_format_, now, settings).size();
  constexpr std::size_t kMaxHeader = 128;
  if (stamp_length == 0 || stamp_length + 2 > kMaxHeader) return -1;
  const std::size_t header_length = stamp_length + 2;
  const TDateTime today = static_cast<TDateTime>(static_cast<std::int64_t>(now));

  char header[kMaxHeader];
  std::size_t header_used = 0;
  bool header_done = false;
  std::int64_t record_start = 0;
  bool record_stamped = false;
  std::int64_t after_last_stamped = -1;
  bool first = true;
  TDateTime previous = 0;
  std::int64_t decision = -2;  // -2: undecided

  auto evaluate = [&]() {
    header_done = true;
    std::string_view h(header, header_used);
    while (!h.empty() && (h.back() == '\r' || h.back() == '\n')) h.remove_suffix(1);
    std::string_view stamp = h.size() >= 2 && IsLevelChar(h[0]) && h[1] == ' '
                                 ? h.substr(2, stamp_length)
                                 : h.substr(0, stamp_length);
    TDateTime t;
    if (!format::TryStrToDateTime(stamp, t, settings)) return;
    if (t >= 0 && t < 1) t += today;  // a time without a date is today's
    record_stamped = true;
    if (first) {
      first = false;
      if (now < t + max_age_ + max_age_ / 3) decision = -1;  // oldest not yet overdue enough
      previous = t;
      return;
    }
    if (now < t + max_age_ && now > previous + max_age_) {
      decision = record_start;
      return;
    }
    previous = t;
  };

  auto block = std::make_unique<char[]>(kAgeBlock);
  if (!log.Seek(0)) RaiseRead(log);
  for (std::int64_t pos = 0; pos < size && decision == -2;) {
    std::size_t length = static_cast<std::size_t>(std::min<std::int64_t>(kAgeBlock, size - pos));
    if (!log.ReadExactly(block.get(), length)) RaiseRead(log);
    for (std::size_t i = 0; i < length && decision == -2; ++i, ++pos) {
      const char c = block[i];
      if (!header_done) {
        header[header_used++] = c;
        if (header_used == header_length || c == '\n') evaluate();
      }
      if (c == '\n') {
        if (decision != -2) break;
        if (record_stamped) after_last_stamped = pos + 1;
        record_start = pos + 1;
        record_stamped = false;
        header_used = 0;
        header_done = false;
      }
    }
  }
  if (decision == -2 && !header_done && header_used > 0) evaluate();
  if (decision == -2 && record_stamped) after_last_stamped = size;
  if (decision != -2) return decision;
  return first ? -1 : after_last_stamped;
}

}  // namespace kvr::log
