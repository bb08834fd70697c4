// What a path names, for files that must be regular files before anyone opens them.
#pragma once

#include <string_view>

namespace kvr::platform {

// True when `path` (Windows or native; symbolic links followed) exists and is not a regular
// file: a directory, FIFO, socket or device. Sets the last error to kErrorAccessDenied then.
bool IsNonRegularFile(std::string_view path);

}  // namespace kvr::platform
