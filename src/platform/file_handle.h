// The handle of an open file (or directory) as the port knows it: a descriptor on POSIX, a
// HANDLE on Windows. Code above the port holds it, compares it and hands it back, never looks
// inside; only the port converts it (posix/descriptor.h). An enum of pointer width, so that it
// costs what the port's own handle costs and an int cannot be passed for one by mistake.
#pragma once

#include <cstdint>

namespace kvr::platform {

enum class FileHandle : std::intptr_t {};

// No file (a failed open; INVALID_HANDLE_VALUE on Windows, -1 on POSIX).
constexpr FileHandle kNoFile = FileHandle{-1};
// As the directory of an open call: a relative path starts where paths usually do.
constexpr FileHandle kCurrentDirectory = FileHandle{-100};

}  // namespace kvr::platform
