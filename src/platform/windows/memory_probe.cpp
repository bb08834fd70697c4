#include "platform/memory_probe.h"

#include <cstdint>

#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

bool Readable(const MEMORY_BASIC_INFORMATION& region) {
  if (region.State != MEM_COMMIT || (region.Protect & (PAGE_GUARD | PAGE_NOACCESS))) return false;
  return (region.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                            PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY)) != 0;
}

}  // namespace

// VirtualQuery tells the state of whole regions: the block is readable when every region it
// touches is committed and readable.
bool IsReadableMemory(const void* address, std::size_t size) {
  if (!address) return false;
  if (size == 0) return true;
  const auto first = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t last = first + size - 1;
  if (last < first) return false;
  std::uintptr_t at = first;
  while (true) {
    MEMORY_BASIC_INFORMATION region{};
    if (::VirtualQuery(reinterpret_cast<const void*>(at), &region, sizeof region) == 0 ||
        !Readable(region))
      return false;
    const std::uintptr_t end =
        reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (end == 0 || end > last) return true;  // end 0: the region reaches the top
    at = end;
  }
}

}  // namespace kvr::platform
