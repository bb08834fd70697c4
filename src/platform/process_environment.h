// Changing the environment of the running process (SetEnvironmentVariable); reading it is in
// environment.h.
#pragma once

#include <string>

namespace kvr::platform {

// Sets the variable for this process and for the libraries and processes it starts afterwards.
bool SetEnvironmentVariable(const std::string& name, const std::string& value);

}  // namespace kvr::platform
