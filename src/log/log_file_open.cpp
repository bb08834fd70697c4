#include "log/log_file_open.h"

#include "common/exceptions.h"
#include "common/format_text.h"
#include "log/log_levels.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr::log {
namespace {

bool IsSharingError(std::uint32_t code) {
  return code == platform::kErrorSharingViolation || code == platform::kErrorLockViolation;
}

[[noreturn]] void RaiseOpenError(std::string_view file_name, platform::FileOpenMode mode,
                                 std::uint32_t code) {
  const bool creating = mode == platform::FileOpenMode::kCreate ||
                        mode == platform::FileOpenMode::kCreateOrOpen ||
                        mode == platform::FileOpenMode::kCreateNew;
  std::string text = creating ? "Cannot create file \"" : "Cannot open file \"";
  text.append(platform::MapPath(file_name)).append("\". ").append(platform::SysErrorMessage(code));
  if (creating) throw EFCreateError(text);
  throw EFOpenError(text);
}

}  // namespace

platform::FileStream OpenWithTimeout(std::string_view file_name, platform::FileOpenMode mode,
                                     int timeout_ms, platform::FilePlace place) {
  if (timeout_ms < 0) timeout_ms = LogSettings::kDefaultOpenTimeoutMs;
  platform::FileStream stream;
  if (timeout_ms == 0) {
    if (!stream.Open(file_name, mode, platform::FileShare::kDenyNone, place))
      RaiseOpenError(file_name, mode, platform::GetLastError());
    return stream;
  }
  const std::uint32_t start = platform::TickCount();
  while (!stream.Open(file_name, mode, platform::FileShare::kDenyNone, place)) {
    const std::uint32_t code = platform::GetLastError();
    const bool expired = platform::TickCount() - start >= static_cast<std::uint32_t>(timeout_ms);
    if (!IsSharingError(code)) RaiseOpenError(file_name, mode, code);
    if (expired)
      throw Exception(Format("Log file open timeout: %d ms (%s)",
                             {timeout_ms, platform::SysErrorMessage(code)}));
    platform::SleepMs(10);
  }
  return stream;
}

}  // namespace kvr::log
