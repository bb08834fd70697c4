#include "platform/process_environment.h"

#include <cstdlib>

namespace kvr::platform {

bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  return ::setenv(name.c_str(), value.c_str(), 1) == 0;
}

}  // namespace kvr::platform
