// Memory for arenas that are filled once from start to end (the records of an in-memory table).
// A block of a huge page or more is aligned to it and marked for huge pages where the system
// offers them: filling it then costs one page fault per 2 MiB instead of one per 4 KiB, which
// on a virtual machine is most of the time spent building a large table.
#pragma once

#include <cstddef>
#include <memory>

namespace kvr::platform {

constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

struct LargeBlockDeleter {
  void operator()(char* block) const noexcept;
};
using LargeBlock = std::unique_ptr<char[], LargeBlockDeleter>;

// At least `size` writable bytes, not initialised. Throws std::bad_alloc when there is no
// memory; the huge-page hint failing changes nothing but the speed.
LargeBlock AllocateLargeBlock(std::size_t size);

}  // namespace kvr::platform
