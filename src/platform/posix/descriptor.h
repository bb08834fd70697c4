// FileHandle and the POSIX descriptor it stands for (this port's own; no code above includes it).
#pragma once

#include <fcntl.h>

#include "platform/file_handle.h"

namespace kvr::platform {

static_assert(static_cast<int>(kCurrentDirectory) == AT_FDCWD);

constexpr int Descriptor(FileHandle handle) { return static_cast<int>(handle); }
constexpr FileHandle HandleOf(int fd) { return fd < 0 ? kNoFile : static_cast<FileHandle>(fd); }

}  // namespace kvr::platform
