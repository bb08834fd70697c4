// Checks whether memory handed over by a foreign caller can be read, so that a wrong pointer
// from a host becomes an error instead of a crash.
#pragma once

#include <cstddef>

namespace kvr::platform {

// True when all `size` bytes at `address` are mapped readable in this process. A null address
// is never readable; size 0 is always readable (for a non-null address).
bool IsReadableMemory(const void* address, std::size_t size);

}  // namespace kvr::platform
