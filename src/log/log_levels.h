// Log levels, their characters and tags, and the fixed settings every logger reads.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "common/text.h"

namespace kvr::log {

// 0 plain, 1 information, 2 error, 3 failure, 4 warning, 5 event, 6 debug, 7 other.
using LogLevel = std::uint8_t;
// Bit n set: level n is written.
using LogLevels = std::uint8_t;

constexpr LogLevel kLogPlain = 0;  // no tag: the error writer's records
constexpr LogLevel kLogInformation = 1;
constexpr LogLevel kLogError = 2;
constexpr LogLevel kLogFailure = 3;
constexpr LogLevel kLogWarning = 4;
constexpr LogLevel kLogEvent = 5;
constexpr LogLevel kLogDebug = 6;
constexpr LogLevel kLogOther = 7;
constexpr LogLevel kMaxLogLevel = kLogOther;
constexpr LogLevels kAllLogLevels = 0xFF;

// The character of each level, indexed by level.
constexpr std::string_view kLevelChars = "-+?!#$%@";

namespace detail {
using namespace kvr::literals;
inline constexpr std::array<std::string_view, 8> kLevelTags = {
    "",          " [инф]"_w,   " [ошиб]"_w,  " [сбой]"_w,
    " [вним]"_w, " [событ]"_w, " [отлад]"_w, " [другое]"_w};
}  // namespace detail

// The tag appended to the time stamp (Windows-1251, starting with a blank); empty for level 0
// and for levels above 7.
constexpr std::string_view LevelTag(LogLevel level) {
  return level <= kMaxLogLevel ? detail::kLevelTags[level] : std::string_view();
}
constexpr char LevelChar(LogLevel level) {
  return level <= kMaxLogLevel ? kLevelChars[level] : ' ';
}

// Fixed settings of the logging unit.
struct LogSettings {
  static constexpr int kDefaultOpenTimeoutMs = 200;
  static constexpr int kAgeCheckIntervalSeconds = 60;
  // false: time stamps use LogFormatSettings; true: the process's default format settings.
  static constexpr bool kUseSystemLocale = false;
  static constexpr bool kFailWhenMutexMissing = false;
  static constexpr bool kUseMutexByDefault = true;
};

}  // namespace kvr::log
