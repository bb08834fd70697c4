#include "platform/large_block.h"

#include <algorithm>
#include <cstdlib>
#include <new>

namespace kvr::platform {

void LargeBlockDeleter::operator()(char* block) const noexcept { std::free(block); }

// No huge-page hint: a virtual machine that hands free memory back to its host gives huge pages
// only from memory the host must supply anew, and filling 900 MB that way took 8-10 s on the
// build machine against 0.4-3 s in ordinary pages. Where the system makes huge pages for every
// mapping, large blocks get them without asking.
LargeBlock AllocateLargeBlock(std::size_t size) {
  const std::size_t rounded = size < kHugePageSize
                                  ? std::max<std::size_t>(size, 1)
                                  : (size + kHugePageSize - 1) / kHugePageSize * kHugePageSize;
  char* block = static_cast<char*>(
      size < kHugePageSize ? std::malloc(rounded) : std::aligned_alloc(kHugePageSize, rounded));
  if (block == nullptr) throw std::bad_alloc();
  return LargeBlock(block);
}

}  // namespace kvr::platform
