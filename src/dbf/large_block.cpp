#include "dbf/large_block.h"

#include <algorithm>

namespace kvr {

void LargeBlockDeleter::operator()(char* block) const noexcept {
  ::operator delete[](block, alignment);
}

// No huge-page hint: a virtual machine that hands free memory back to its host gives huge pages
// only from memory the host must supply anew, and filling 900 MB that way took 8-10 s on the
// build machine against 0.4-3 s in ordinary pages. Where the system makes huge pages for every
// mapping, large blocks get them without asking.
LargeBlock AllocateLargeBlock(std::size_t size) {
  const bool huge = size >= kHugePageSize;
  const std::align_val_t alignment{huge ? kHugePageSize : alignof(std::max_align_t)};
  const std::size_t rounded = huge ? (size + kHugePageSize - 1) / kHugePageSize * kHugePageSize
                                   : std::max<std::size_t>(size, 1);
  return LargeBlock(static_cast<char*>(::operator new[](rounded, alignment)),
                    LargeBlockDeleter{alignment});
}

}  // namespace kvr
