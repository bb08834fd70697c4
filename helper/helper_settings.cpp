#include "helper_settings.h"

#include <charconv>

#include "common/exceptions.h"
#include "platform/environment.h"

namespace kvr::corvane {

std::string DatabasePassword() {
  return platform::GetEnvironmentVariable(kPasswordVariable).value_or(kDefaultPassword);
}

std::int32_t DatabasePort() {
  const std::string text = platform::GetEnvironmentVariable(kPortVariable).value_or("");
  if (text.empty()) return 0;
  std::int32_t port = -1;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (ec != std::errc() || end != text.data() + text.size() || port < 0 || port > 65535)
    throw Exception("Invalid value of " + std::string(kPortVariable) + ": \"" + text + "\"");
  return port;
}

}  // namespace kvr::corvane
