#include "entry/host_memory_probe.h"

#include <algorithm>

#include "platform/memory_probe.h"

namespace kvr {
namespace {

constexpr std::uintptr_t kPageSize = 4096;  // the smallest page size; a finer page is harmless

}  // namespace

bool HostMemoryProbe::Remembered(std::uintptr_t page) const {
  return std::find(pages_.begin(), pages_.end(), page + 1) != pages_.end();
}

bool HostMemoryProbe::Readable(const void* address, std::size_t size) {
  if (!address) return false;
  if (size == 0) return true;
  const auto first = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t last = first + size - 1;
  if (last < first) return false;  // wraps around the address space
  for (std::uintptr_t page = first / kPageSize; page <= last / kPageSize; ++page) {
    if (Remembered(page)) continue;
    const std::uintptr_t probe = std::max(first, page * kPageSize);
    if (!platform::IsReadableMemory(reinterpret_cast<const void*>(probe), 1)) return false;
    pages_[next_] = page + 1;
    next_ = (next_ + 1) % kRemembered;
  }
  return true;
}

}  // namespace kvr
