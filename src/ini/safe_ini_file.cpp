#include "ini/safe_ini_file.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/text.h"
#include "format/date_time_parse.h"
#include "format/date_time_text.h"
#include "format/float_text.h"
#include "format/format_settings.h"
#include "format/int_text.h"
#include "ini/multi_part_value.h"
#include "ini/private_profile.h"
#include "ini/typed_values.h"
#include "platform/clock.h"
#include "platform/named_mutex.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/wait_limits.h"

namespace kvr::ini {
namespace {

using namespace kvr::literals;

constexpr std::int32_t kMissingCount = -65'535;

// Inside a catch block: raises the caught error again, same class, as "<context> -> <message>".
[[noreturn]] void RaiseInContext(std::string_view context) {
  try {
    throw;
  } catch (const Exception& e) {
    std::unique_ptr<Exception> copy = e.Clone();
    copy->SetMessage(Format("%s -> %s", {context, e.Message()}));
    copy->Raise();
  } catch (const std::exception& e) {
    throw Exception(Format("%s -> %s", {context, e.what()}));
  } catch (...) {
    throw Exception(Format("%s -> %s", {context, "Unknown exception"}));
  }
  std::terminate();  // not reached: every handler above raises
}

// Runs `operation`; any error leaves as "<context> -> <message>", its class kept.
template <typename Operation>
auto InContext(std::string_view context, Operation&& operation) -> decltype(operation()) {
  try {
    return operation();
  } catch (...) {
    RaiseInContext(context);
  }
}

// Writes that fail for these reasons will not succeed by waiting.
bool IsPermanentWriteError(std::uint32_t code) {
  return code == platform::kErrorPathNotFound || code == platform::kErrorBufferOverflow ||
         code == platform::kErrorDiskFull || code == platform::kErrorInvalidName;
}

std::string Companion(std::string_view key, std::string_view suffix) {
  std::string name(key);
  name += suffix;
  return name;
}

const format::TFormatSettings& Settings() { return format::IniFormatSettings(); }

// One write or flush, tried until it succeeds, the error is one that waiting cannot cure, or
// the retry time-out has passed; then the error is raised with the system's text in front.
template <typename Attempt>
void RetryWrite(Attempt&& attempt) {
  const std::uint32_t start = platform::TickCount();
  while (true) {
    try {
      attempt();
      return;
    } catch (const Exception& e) {
      const std::uint32_t code = platform::GetLastError();
      const bool expired = platform::TickCount() - start >=
                           static_cast<std::uint32_t>(IniSettings::kWriteRetryTimeoutMs);
      if (expired || IsPermanentWriteError(code)) {
        std::unique_ptr<Exception> copy = e.Clone();
        copy->SetMessage(platform::SysErrorMessage(code) + " -> " + e.Message());
        copy->Raise();
      }
      platform::SleepMs(IniSettings::kWriteRetrySleepMs);
    }
  }
}

}  // namespace

// Holds the file's mutex for a scope (nothing when there is none, or when the wait failed:
// the file is then used unlocked, as without a mutex).
class TSafeIniFile::Guard {
 public:
  explicit Guard(TSafeIniFile& ini) : mutex_(ini.TakeMutex()) {}
  ~Guard() {
    if (mutex_) mutex_->Release();
  }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  platform::NamedMutex* mutex_;
};

std::string TSafeIniFile::MutexNameFor(std::string_view file_name) {
  std::string name = "ini file lock mutex" + codepage::AnsiLowerCase(file_name);
  for (std::size_t at; (at = name.find("\\\\")) != std::string::npos;) name.erase(at, 1);
  platform::MakeMutexNameSafe(name);
  return name;
}

TSafeIniFile::TSafeIniFile(std::string_view file_name) : TIniFile(file_name) {
  mutex_ = platform::NamedMutex::OpenMachineWide(MutexNameFor(file_name));
  if (!mutex_ && IniSettings::kFailWhenMutexMissing)
    throw Exception(
        Format("Error CreateMutex: %s", {platform::SysErrorMessage(platform::GetLastError())}));
}

TSafeIniFile::~TSafeIniFile() {
  // Waits for an operation another thread may still run on the file; not again after a wait
  // of this object timed out (the holder is another process, not an operation on this object).
  if (!timed_out_) {
    try {
      Guard guard(*this);
    } catch (...) {
    }
  }
  mutex_.reset();
}

platform::NamedMutex* TSafeIniFile::TakeMutex() {
  if (!mutex_) return nullptr;
  const std::chrono::milliseconds limit = platform::WaitLimit(platform::kFileLockLimit);
  switch (mutex_->Wait(limit)) {
    case platform::WaitResult::kAcquired:
    case platform::WaitResult::kAbandoned: return mutex_.get();
    case platform::WaitResult::kTimedOut:
      timed_out_ = true;
      throw EIniFileException(platform::LockTimeoutMessage("INI file lock", *mutex_, limit));
    case platform::WaitResult::kFailed: break;
  }
  return nullptr;
}

void TSafeIniFile::Lock() { TakeMutex(); }

void TSafeIniFile::Unlock() {
  if (mutex_) mutex_->Release();
}

void TSafeIniFile::CheckSection(std::string_view section) const {
  if (section.empty())
    throw EIniFileException(
        Format("Не указано название секции. Имя файла: %s"_w, {platform::MapPath(FileName())}));
}

void TSafeIniFile::CheckNames(std::string_view section, std::string_view key) const {
  CheckSection(section);
  if (key.empty())
    throw EIniFileException(
        Format("Не указано название переменной. Имя файла: %s"_w, {platform::MapPath(FileName())}));
}

TSafeIniFile::RawText TSafeIniFile::RawRead(std::string_view section, std::string_view key,
                                            std::string_view default_value, bool want_hash) {
  Guard guard(*this);
  const std::string raw =
      GetProfileString(section, key, default_value, IniSettings::kReadBufferSize, FileName());
  return {UnescapeLineBreaks(raw), want_hash ? IniHash(raw) : 0};
}

// The count, the hash and every part come from one read of the file, under the lock.
std::string TSafeIniFile::ReadParts(std::string_view section, std::string_view key,
                                    std::string_view default_value) {
  const std::size_t buffer = IniSettings::kReadBufferSize;
  const ProfileSection profile(section, FileName());
  const std::int32_t count =
      format::StrToIntDef(profile.Get(Companion(key, kCountSuffix), "", buffer), kMissingCount);
  const std::string raw = profile.Get(key, default_value, buffer);
  std::string text = UnescapeLineBreaks(raw);
  if (count <= 1) return text;
  std::int32_t stored_hash;
  if (!format::TryStrToInt(profile.Get(Companion(key, kHashSuffix), "", buffer), stored_hash))
    return text;
  if (check_hash_ && stored_hash != IniHash(raw)) return text;  // part 1 rewritten by others
  std::string part_key = Companion(key, kLineSuffix);
  const std::size_t stem = part_key.size();
  for (std::int32_t i = 2; i <= count; ++i) {
    part_key.resize(stem);
    part_key += std::to_string(i);
    // A missing part means the companions are broken: stop rather than walk a huge count.
    auto part = profile.Find(part_key, buffer);
    if (!part) break;
    text += UnescapeLineBreaks(*part);
  }
  return text;
}

std::string TSafeIniFile::ReadString(std::string_view section, std::string_view key,
                                     std::string_view default_value) {
  return InContext("TSafeIniFile.ReadString", [&] {
    CheckNames(section, key);
    Guard guard(*this);
    if (plain_mode_) return RawRead(section, key, default_value, false).text;
    return ReadParts(section, key, default_value);
  });
}

void TSafeIniFile::WriteWithRetry(std::string_view section, std::string_view key,
                                  std::string_view text) {
  RetryWrite([&] { TIniFile::WriteString(section, key, text); });
}

void TSafeIniFile::FlushWithRetry() {
  RetryWrite([&] {
    if (!FlushProfile(FileName()))
      throw EIniFileException(
          Format("Не удалось записать изменения в файл %s"_w, {platform::MapPath(FileName())}));
  });
}

void TSafeIniFile::RemoveCompanionKeys(std::string_view section, std::string_view key) {
  const std::int32_t count = format::StrToIntDef(
      RawRead(section, Companion(key, kCountSuffix), "", false).text, kMissingCount);
  if (count == kMissingCount) return;
  TIniFile::DeleteKey(section, Companion(key, kCountSuffix));
  TIniFile::DeleteKey(section, Companion(key, kHashSuffix));
  // Only the line keys that exist: a damaged count must not make us walk billions of names.
  TStrings keys;
  TIniFile::ReadSection(section, keys);
  const std::string prefix = Companion(key, kLineSuffix);
  std::vector<std::int32_t> lines;
  for (const std::string& name : keys) {
    if (name.size() <= prefix.size() ||
        !codepage::AnsiSameText(name.substr(0, prefix.size()), prefix))
      continue;
    const std::string digits = name.substr(prefix.size());
    std::int32_t number;
    if (digits.find_first_not_of("0123456789") == std::string::npos &&
        format::TryStrToInt(digits, number) && number >= 2 && number <= count &&
        std::to_string(number) == digits)
      lines.push_back(number);
  }
  std::sort(lines.rbegin(), lines.rend());
  for (std::int32_t number : lines) TIniFile::DeleteKey(section, prefix + std::to_string(number));
}

void TSafeIniFile::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
  InContext("TSafeIniFile.WriteString", [&] {
    CheckNames(section, key);
    const ValueParts split = SplitValue(value, plain_mode_);
    Guard guard(*this);
    if (!plain_mode_) RemoveCompanionKeys(section, key);
    if (split.parts.empty()) {
      WriteWithRetry(section, key, "");
    } else {
      WriteWithRetry(section, key, split.parts[0]);
      if (split.parts.size() > 1 && !plain_mode_) {
        WriteWithRetry(section, Companion(key, kCountSuffix), std::to_string(split.parts.size()));
        WriteWithRetry(section, Companion(key, kHashSuffix), std::to_string(split.hash));
        for (std::size_t i = 1; i < split.parts.size(); ++i)
          WriteWithRetry(section, Companion(key, kLineSuffix) + std::to_string(i + 1),
                         split.parts[i]);
      }
    }
    if (auto_flush_) FlushWithRetry();
  });
}

void TSafeIniFile::DeleteKey(std::string_view section, std::string_view key) {
  InContext("TSafeIniFile.DeleteKey", [&] {
    CheckNames(section, key);
    Guard guard(*this);
    if (!plain_mode_) RemoveCompanionKeys(section, key);
    TIniFile::DeleteKey(section, key);
    if (auto_flush_) UpdateFile();
  });
}

void TSafeIniFile::EraseSection(std::string_view section) {
  InContext("TSafeIniFile.EraseSection", [&] {
    CheckSection(section);
    Guard guard(*this);
    TIniFile::EraseSection(section);
    if (auto_flush_) UpdateFile();
  });
}

void TSafeIniFile::ReadSection(std::string_view section, TStrings& keys) {
  InContext("TSafeIniFile.ReadSection", [&] {
    CheckSection(section);
    Guard guard(*this);
    TIniFile::ReadSection(section, keys);
  });
}

void TSafeIniFile::ReadSectionValues(std::string_view section, TStrings& lines) {
  InContext("TSafeIniFile.ReadSectionValues", [&] {
    CheckSection(section);
    Guard guard(*this);
    TIniFile::ReadSectionValues(section, lines);
  });
}

void TSafeIniFile::ReadSections(TStrings& sections) {
  Guard guard(*this);
  TIniFile::ReadSections(sections);
}

void TSafeIniFile::UpdateFile() {
  Guard guard(*this);
  TIniFile::UpdateFile();
}

// Typed values: text with IniFormatSettings; a text that does not convert gives the default.
TDateTime TSafeIniFile::ReadDate(std::string_view section, std::string_view key,
                                 TDateTime default_value) {
  return InContext("TSafeIniFile.ReadDate", [&] {
    return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToDate, Settings());
  });
}

TDateTime TSafeIniFile::ReadDateTime(std::string_view section, std::string_view key,
                                     TDateTime default_value) {
  return InContext("TSafeIniFile.ReadDateTime", [&] {
    return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToDateTime,
                   Settings());
  });
}

double TSafeIniFile::ReadFloat(std::string_view section, std::string_view key,
                               double default_value) {
  return InContext("TSafeIniFile.ReadFloat", [&] {
    return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToFloat, Settings());
  });
}

TDateTime TSafeIniFile::ReadTime(std::string_view section, std::string_view key,
                                 TDateTime default_value) {
  return InContext("TSafeIniFile.ReadTime", [&] {
    return ParseOr(ReadString(section, key, ""), default_value, format::TryStrToTime, Settings());
  });
}

void TSafeIniFile::WriteDate(std::string_view section, std::string_view key, TDateTime value) {
  InContext("TSafeIniFile.WriteDate",
            [&] { WriteString(section, key, format::DateToStr(value, Settings())); });
}

void TSafeIniFile::WriteDateTime(std::string_view section, std::string_view key, TDateTime value) {
  InContext("TSafeIniFile.WriteDateTime",
            [&] { WriteString(section, key, format::DateTimeToStr(value, Settings())); });
}

void TSafeIniFile::WriteFloat(std::string_view section, std::string_view key, double value) {
  InContext("TSafeIniFile.WriteFloat",
            [&] { WriteString(section, key, format::FloatToStr(value, Settings())); });
}

void TSafeIniFile::WriteTime(std::string_view section, std::string_view key, TDateTime value) {
  InContext("TSafeIniFile.WriteTime",
            [&] { WriteString(section, key, format::TimeToStr(value, Settings())); });
}

int TSafeIniFile::Query(std::string_view a, std::string_view b, std::string_view c) const {
  return query_hook_ ? query_hook_(a, b, c) : 0;
}

void TSafeIniFile::Notify(std::string_view a, std::string_view b, std::string_view c) const {
  if (notify_hook_) notify_hook_(a, b, c);
}

}  // namespace kvr::ini
