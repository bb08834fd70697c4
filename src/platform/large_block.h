// Memory for arenas that are filled once from start to end (the records of an in-memory table).
// A block of a huge page or more is aligned to it, so that it can be written straight to a
// file that bypasses the system's cache and where the system makes huge pages on its own it
// takes whole ones. It is not marked for huge pages (see large_block.cpp for why).
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
// memory.
LargeBlock AllocateLargeBlock(std::size_t size);

}  // namespace kvr::platform
