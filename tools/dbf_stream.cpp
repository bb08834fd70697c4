#include "dbf_stream.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kvr::host {
namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr char kEndOfFile = 0x1A;
constexpr std::size_t kBufferBytes = 256 * 1024;

std::uint32_t Get32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
std::uint16_t Get16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

const char* DbfLevelText(std::uint8_t version) {
  if (version == 0x03 || version == 0x83) return "dBase III+";
  if (version >= 0x03 && version <= 0xF5) return (version & 0x07) == 3 ? "dBase IV" : "dBase/Win";
  return "dBase ?";
}

DbfStreamReader::DbfStreamReader(const std::string& path) : path_(path) {
  file_.reset(std::fopen(path.c_str(), "rb"));
  if (!file_) throw DbfOpenError("cannot open " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(::fileno(file_.get()), &info) != 0 || S_ISDIR(info.st_mode))
    throw DbfOpenError("cannot read " + path + ": " +
                       std::strerror(S_ISDIR(info.st_mode) ? EISDIR : errno));
  const auto bad = [&](const std::string& why) {
    return DbfFormatError(path + ": not a DBF file (" + why + ")");
  };

  unsigned char h[kHeaderSize];
  if (std::fread(h, 1, kHeaderSize, file_.get()) != kHeaderSize) throw bad("shorter than a header");
  head_.version = h[0];
  if (head_.version < 3 || head_.version > 0xF5)
    throw bad("unknown version byte " + std::to_string(h[0]));
  head_.year = h[1] <= 50 ? 2000 + h[1] : 1900 + h[1];
  head_.month = h[2];
  head_.day = h[3];
  head_.header_records = Get32(h + 4);
  head_.header_length = Get16(h + 8);
  head_.record_length = Get16(h + 10);
  head_.code_page_mark = h[29];
  if (head_.header_length < kHeaderSize + 1)
    throw bad("header length " + std::to_string(head_.header_length));
  if (head_.record_length == 0) throw bad("record length 0");

  // The descriptors end at the header's end or at the 0x0D that closes them.
  std::string descriptors(head_.header_length - kHeaderSize, '\0');
  if (std::fread(descriptors.data(), 1, descriptors.size(), file_.get()) != descriptors.size())
    throw bad("the header is cut short");
  std::uint32_t offset = 1;
  for (std::size_t at = 0; at + kDescriptorSize <= descriptors.size() && descriptors[at] != '\r';
       at += kDescriptorSize) {
    const auto* d = reinterpret_cast<const unsigned char*>(descriptors.data() + at);
    DbfColumn column;
    column.name.assign(reinterpret_cast<const char*>(d),
                       strnlen(reinterpret_cast<const char*>(d), 11));
    column.type = static_cast<char>(d[11]);
    column.length = d[16];
    column.decimals = d[17];
    if (column.type == 'C') {  // a text wider than 255 keeps its high byte in the decimals
      column.length = static_cast<std::uint16_t>(column.length | d[17] << 8);
      column.decimals = 0;
    }
    column.offset = static_cast<std::uint16_t>(offset);
    offset += column.length;
    if (offset > head_.record_length)
      throw bad("field " + column.name + " reaches past the record length " +
                std::to_string(head_.record_length));
    head_.columns.push_back(std::move(column));
  }
  if (::fstat(::fileno(file_.get()), &info) == 0 &&
      static_cast<std::uint64_t>(info.st_size) > head_.header_length)
    head_.file_records =
        (static_cast<std::uint64_t>(info.st_size) - head_.header_length) / head_.record_length;
  if (std::fseek(file_.get(), head_.header_length, SEEK_SET) != 0)
    throw bad("cannot seek to the records");
  buffer_.resize(std::max<std::size_t>(kBufferBytes / head_.record_length, 1) *
                 head_.record_length);
}

bool DbfStreamReader::Next(std::string_view& record) {
  const std::size_t length = head_.record_length;
  if (ended_) return false;
  if (next_ + length > buffered_) {
    // Keep a partial record at the end of the buffer and read on behind it.
    const std::size_t rest = buffered_ - next_;
    std::memmove(buffer_.data(), buffer_.data() + next_, rest);
    buffered_ = rest + std::fread(buffer_.data() + rest, 1, buffer_.size() - rest, file_.get());
    next_ = 0;
    if (std::ferror(file_.get()))
      throw DbfFormatError("cannot read " + path_ + ": " + std::strerror(errno));
    if (buffered_ < length) {
      ended_ = true;
      return false;
    }
  }
  record = std::string_view(buffer_.data() + next_, length);
  if (record[0] == kEndOfFile) {
    ended_ = true;
    return false;
  }
  next_ += length;
  return true;
}

}  // namespace kvr::host
