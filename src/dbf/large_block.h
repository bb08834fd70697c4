// Memory for arenas that are filled once from start to end (the records of an in-memory table).
// A block of a huge page or more is aligned to it, so that it can be written straight to a
// file that bypasses the system's cache and where the system makes huge pages on its own it
// takes whole ones. It is not marked for huge pages (see large_block.cpp for why). Plain C++
// (aligned operator new): no system call, so it is no part of the platform.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace kvr {

constexpr std::size_t kHugePageSize = std::size_t{2} << 20;

struct LargeBlockDeleter {
  std::align_val_t alignment{alignof(std::max_align_t)};
  void operator()(char* block) const noexcept;
};
using LargeBlock = std::unique_ptr<char[], LargeBlockDeleter>;

// At least `size` writable bytes, not initialised. Throws std::bad_alloc when there is no
// memory.
LargeBlock AllocateLargeBlock(std::size_t size);

}  // namespace kvr
