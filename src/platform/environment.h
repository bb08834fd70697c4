// Environment variables of the running process.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kvr::platform {

// The variable's value, or nothing when it is not set.
std::optional<std::string> GetEnvironmentVariable(std::string_view name);

}  // namespace kvr::platform
