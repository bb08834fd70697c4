// The Windows error codes that stand for POSIX errors: the part of system_error.h that only the
// POSIX port uses.
#pragma once

#include <cstdint>

#include "platform/system_error.h"

namespace kvr::platform {

// Maps an errno value to the Windows error code that stands for it.
std::uint32_t WindowsErrorFromErrno(int err);
// Sets the last error from errno and returns it.
std::uint32_t SetLastErrorFromErrno();

}  // namespace kvr::platform
