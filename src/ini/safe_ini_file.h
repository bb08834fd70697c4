// TSafeIniFile: an INI file whose every operation holds a named mutex shared by all processes
// and accounts that open the same path (in any letter case), with values of any length and with
// line breaks (see multi_part_value.h), and writes retried for up to 1000 ms.
//
// Errors name the operation: "TSafeIniFile.WriteString -> <system text> -> Unable to write to
// <path>"; the class of the original error is kept. A text that does not convert in ReadDate,
// ReadDateTime, ReadFloat or ReadTime is no error: the default is returned. The lock is always
// released, also when an operation fails.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "ini/ini_file.h"
#include "platform/named_mutex.h"

namespace kvr::ini {

// Fixed settings of the INI unit.
struct IniSettings {
  static constexpr int kWriteRetryTimeoutMs = 1000;
  static constexpr int kWriteRetrySleepMs = 20;
  static constexpr bool kPlainMode = false;
  static constexpr bool kCheckHash = true;
  static constexpr bool kFailWhenMutexMissing = false;
  static constexpr std::size_t kReadBufferSize = 65'535;
};

class TSafeIniFile : public TIniFile {
 public:
  using QueryHook = std::function<int(std::string_view, std::string_view, std::string_view)>;
  using NotifyHook = std::function<void(std::string_view, std::string_view, std::string_view)>;

  // Opens (or creates) the file's mutex; works without one when it cannot be created.
  explicit TSafeIniFile(std::string_view file_name);
  ~TSafeIniFile() override;

  std::string ReadString(std::string_view section, std::string_view key,
                         std::string_view default_value) override;
  void WriteString(std::string_view section, std::string_view key, std::string_view value) override;
  TDateTime ReadDate(std::string_view section, std::string_view key,
                     TDateTime default_value) override;
  TDateTime ReadDateTime(std::string_view section, std::string_view key,
                         TDateTime default_value) override;
  double ReadFloat(std::string_view section, std::string_view key, double default_value) override;
  TDateTime ReadTime(std::string_view section, std::string_view key,
                     TDateTime default_value) override;
  void WriteDate(std::string_view section, std::string_view key, TDateTime value) override;
  void WriteDateTime(std::string_view section, std::string_view key, TDateTime value) override;
  void WriteFloat(std::string_view section, std::string_view key, double value) override;
  void WriteTime(std::string_view section, std::string_view key, TDateTime value) override;
  void ReadSection(std::string_view section, TStrings& keys) override;
  void ReadSections(TStrings& sections) override;
  void ReadSectionValues(std::string_view section, TStrings& lines) override;
  void EraseSection(std::string_view section) override;
  // Removes the key and its companion keys.
  void DeleteKey(std::string_view section, std::string_view key) override;
  void UpdateFile() override;

  // The mutex name: "ini file lock mutex" + the lower-cased path, doubled backslashes collapsed,
  // " * / : < > ? \ | replaced by '_'.
  static std::string MutexNameFor(std::string_view file_name);
  bool HasMutex() const { return mutex_ != nullptr; }
  // Waits at most KVR_LOCK_TIMEOUT seconds (default 30) for the file's mutex; raises
  // EIniFileException "The INI file lock "<name>" was not free within <n> s: another process
  // holds it (pid <pid>)" when another process keeps it longer.
  void Lock();
  void Unlock();

  bool AutoFlush() const { return auto_flush_; }
  void SetAutoFlush(bool on) { auto_flush_ = on; }
  // No multi-part values: a locked TIniFile (longer values are cut to one part).
  bool PlainMode() const { return plain_mode_; }
  void SetPlainMode(bool on) { plain_mode_ = on; }
  // Whether ReadString compares the hash key with part 1 before appending the other parts.
  bool CheckHash() const { return check_hash_; }
  void SetCheckHash(bool on) { check_hash_ = on; }

  // Optional events for callers that extend the class; nothing in the library assigns them.
  void SetQueryHook(QueryHook hook) { query_hook_ = std::move(hook); }
  void SetNotifyHook(NotifyHook hook) { notify_hook_ = std::move(hook); }
  // The query hook's answer, 0 without one.
  int Query(std::string_view a, std::string_view b, std::string_view c) const;
  void Notify(std::string_view a, std::string_view b, std::string_view c) const;
  const std::string& ItemWord() const { return item_word_; }

 private:
  class Guard;
  struct RawText {
    std::string text;
    std::int32_t hash = 0;
  };

  RawText RawRead(std::string_view section, std::string_view key, std::string_view default_value,
                  bool want_hash);
  std::string ReadParts(std::string_view section, std::string_view key,
                        std::string_view default_value);
  void WriteWithRetry(std::string_view section, std::string_view key, std::string_view text);
  void FlushWithRetry();
  void RemoveCompanionKeys(std::string_view section, std::string_view key);
  void CheckNames(std::string_view section, std::string_view key) const;
  void CheckSection(std::string_view section) const;

  // Lock() for one level: the mutex now owned, or null when there is none or the wait failed.
  platform::NamedMutex* TakeMutex();
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::atomic<bool> timed_out_{false};
  bool auto_flush_ = false;
  bool plain_mode_ = IniSettings::kPlainMode;
  bool check_hash_ = IniSettings::kCheckHash;
  QueryHook query_hook_;
  NotifyHook notify_hook_;
  std::string item_word_ = "Item";
};

}  // namespace kvr::ini
