#include "platform/memory_probe.h"

#include <sys/uio.h>
#include <unistd.h>

#include <cstdint>

namespace kvr::platform {
namespace {

constexpr std::uintptr_t kPageSize = 4096;  // the smallest page size; probing finer is harmless

// process_vm_readv on our own process reports EFAULT for an unreadable address instead of
// faulting.
bool ByteIsReadable(std::uintptr_t address) {
  char byte;
  iovec local{&byte, 1};
  iovec remote{reinterpret_cast<void*>(address), 1};
  return ::process_vm_readv(::getpid(), &local, 1, &remote, 1, 0) == 1;
}

}  // namespace

bool IsReadableMemory(const void* address, std::size_t size) {
  if (!address) return false;
  if (size == 0) return true;
  const auto first = reinterpret_cast<std::uintptr_t>(address);
  const std::uintptr_t last = first + size - 1;
  if (last < first) return false;  // wraps around the address space
  // Readability is a property of pages: one byte of every page the block touches.
  for (std::uintptr_t page = first & ~(kPageSize - 1); page <= last; page += kPageSize) {
    if (!ByteIsReadable(page < first ? first : page)) return false;
    if (page + kPageSize < page) break;
  }
  return true;
}

}  // namespace kvr::platform
