#include "platform/wait_limits.h"

#include <charconv>
#include <string>

#include "common/exceptions.h"
#include "platform/environment.h"
#include "platform/named_mutex.h"

namespace kvr::platform {

int WaitLimitSeconds(const WaitLimitSetting& setting) {
  const std::string text = GetEnvironmentVariable(setting.variable).value_or("");
  if (text.empty()) return setting.default_seconds;
  int seconds = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() || seconds < 0 ||
      seconds > kMaxWaitLimitSeconds)
    throw Exception("Invalid value of " + std::string(setting.variable) + ": \"" + text + "\"");
  return seconds;
}

std::chrono::milliseconds WaitLimit(const WaitLimitSetting& setting) {
  const int seconds = WaitLimitSeconds(setting);
  if (seconds == 0) return kNoTimeLimit;
  return std::chrono::seconds(seconds);
}

}  // namespace kvr::platform
