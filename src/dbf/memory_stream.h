// A growable byte stream in memory with a position, the shape in which whole DBF files are
// read and built before they touch the disk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kvr {

class TMemoryStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  std::size_t Size() const { return bytes_.size(); }
  std::size_t Position() const { return position_; }
  void Seek(std::size_t position) { position_ = position; }
  // Grows or cuts the stream; new bytes are zero. The position is kept.
  void SetSize(std::size_t size) { bytes_.resize(size); }
  void Reserve(std::size_t capacity) { bytes_.reserve(capacity); }

  // Copies up to `count` bytes from the position; returns how many were read.
  std::size_t Read(void* out, std::size_t count);
  // Writes at the position, growing the stream as needed.
  void Write(const void* data, std::size_t count);
  void Write(std::string_view data) { Write(data.data(), data.size()); }
  void WriteByte(unsigned char byte) { Write(&byte, 1); }

  std::string_view View() const { return bytes_; }
  char* Data() { return bytes_.data(); }
  // Hands the bytes over (the stream becomes empty).
  std::string Release();

 private:
  std::string bytes_;
  std::size_t position_ = 0;
};

}  // namespace kvr
