// Checks on an opened handle that it is a regular file on a disk (not a directory, device, pipe
// or link) and, where asked, that no other name points at it.
#pragma once

#include <cstdint>

#include "platform/windows/win32.h"

namespace kvr::platform {

enum class LinkCheck { kAnyLinks, kSingleLink };

// kErrorSuccess, or the error to fail the open with (kErrorAccessDenied for a file refused).
std::uint32_t CheckRegularFile(HANDLE handle, LinkCheck links);

}  // namespace kvr::platform
