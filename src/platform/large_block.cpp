#include "platform/large_block.h"

#include <sys/mman.h>

#include <cstdlib>
#include <new>

namespace kvr::platform {

void LargeBlockDeleter::operator()(char* block) const noexcept { std::free(block); }

LargeBlock AllocateLargeBlock(std::size_t size) {
  if (size < kHugePageSize) {
    char* block = static_cast<char*>(std::malloc(size == 0 ? 1 : size));
    if (block == nullptr) throw std::bad_alloc();
    return LargeBlock(block);
  }
  const std::size_t rounded = (size + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
  char* block = static_cast<char*>(std::aligned_alloc(kHugePageSize, rounded));
  if (block == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return LargeBlock(block);
}

}  // namespace kvr::platform
