// Readability checks of the host's memory for one pass over many small blocks (the texts of a
// long array, the items of the host's catalogue object). The pages found readable are
// remembered, a few of the latest, so that a million host texts cost a few thousand probes of
// the system instead of two million. Made for one pass and dropped after it: memory the host
// frees between calls is probed anew.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kvr {

class HostMemoryProbe {
 public:
  // True when every byte of [address, address + size) can be read (platform::IsReadableMemory).
  bool Readable(const void* address, std::size_t size);

 private:
  bool Remembered(std::uintptr_t page) const;

  static constexpr std::size_t kRemembered = 8;
  std::array<std::uintptr_t, kRemembered> pages_{};  // page numbers + 1; 0 is no page
  std::size_t next_ = 0;
};

}  // namespace kvr
