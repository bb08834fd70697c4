#include "dbf/memory_stream.h"

#include <cstring>

namespace kvr {

std::size_t TMemoryStream::Read(void* out, std::size_t count) {
  if (position_ >= bytes_.size()) return 0;
  const std::size_t available = bytes_.size() - position_;
  if (count > available) count = available;
  std::memcpy(out, bytes_.data() + position_, count);
  position_ += count;
  return count;
}

void TMemoryStream::Write(const void* data, std::size_t count) {
  if (count == 0) return;
  if (position_ + count > bytes_.size()) bytes_.resize(position_ + count);
  std::memcpy(bytes_.data() + position_, data, count);
  position_ += count;
}

std::string TMemoryStream::Release() {
  std::string bytes = std::move(bytes_);
  bytes_.clear();
  position_ = 0;
  return bytes;
}

}  // namespace kvr
