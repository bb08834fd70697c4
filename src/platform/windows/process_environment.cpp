#include "platform/process_environment.h"

#include <cstdlib>

namespace kvr::platform {

// _putenv_s changes the C runtime's copy, which getenv reads, and the process environment that
// libraries and child processes see. An empty value removes the variable, as on Windows.
bool SetEnvironmentVariable(const std::string& name, const std::string& value) {
  return ::_putenv_s(name.c_str(), value.c_str()) == 0;
}

}  // namespace kvr::platform
