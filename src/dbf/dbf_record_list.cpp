#include "dbf/dbf_record_list.h"

#include <algorithm>
#include <cstring>

namespace kvr {

namespace {
// Chunks grow with the table, from a small one for a small table to huge-page-sized ones.
constexpr std::size_t kFirstChunkSize = 64 << 10;
constexpr std::size_t kLargestChunkSize = 4 * kHugePageSize;
}  // namespace

void DBFRecordList::Clear() {
  Changing(0);
  entries_.clear();
  entries_.shrink_to_fit();
  chunks_.clear();
  images_.clear();
  chunk_free_ = nullptr;
  chunk_left_ = 0;
  chunk_total_ = 0;
}

char* DBFRecordList::Store(std::string_view text) {
  if (text.size() > chunk_left_) {
    const std::size_t next = chunk_total_ < kFirstChunkSize     ? kFirstChunkSize
                             : chunk_total_ < kLargestChunkSize ? chunk_total_
                                                                : kLargestChunkSize;
    const std::size_t size = std::max(text.size(), next);
    chunks_.push_back(AllocateLargeBlock(size));
    chunk_total_ += size;
    chunk_free_ = chunks_.back().get();
    chunk_left_ = size;
  }
  char* place = chunk_free_;
  if (!text.empty()) std::memcpy(place, text.data(), text.size());
  chunk_free_ += text.size();
  chunk_left_ -= text.size();
  return place;
}

void DBFRecordList::Append(std::string_view text, std::int32_t tag) {
  entries_.push_back({Store(text), static_cast<std::uint32_t>(text.size()), tag});
}

void DBFRecordList::Insert(int index, std::string_view text, std::int32_t tag) {
  Changing(index);
  entries_.insert(entries_.begin() + index,
                  Entry{Store(text), static_cast<std::uint32_t>(text.size()), tag});
}

void DBFRecordList::Replace(int index, std::string_view text) {
  Changing(index);
  Entry& entry = entries_[static_cast<std::size_t>(index)];
  if (entry.length == text.size()) {
    if (entry.text != text.data()) std::memmove(entry.text, text.data(), text.size());
    return;
  }
  entry.text = Store(text);
  entry.length = static_cast<std::uint32_t>(text.size());
}

int DBFRecordList::IndexOfTag(std::int32_t tag, int hint) const {
  const int count = Count();
  if (hint >= 0 && hint < count && Tag(hint) == tag) return hint;
  // The cursor usually stands on or next to the record; otherwise scan.
  for (int near : {hint - 1, hint + 1})
    if (near >= 0 && near < count && Tag(near) == tag) return near;
  for (int i = 0; i < count; ++i)
    if (Tag(i) == tag) return i;
  return -1;
}

void DBFRecordList::AdoptImage(std::string image, std::size_t offset, std::size_t length,
                               std::size_t count) {
  images_.push_back(std::make_unique<std::string>(std::move(image)));
  char* base = images_.back()->data() + offset;
  entries_.reserve(entries_.size() + count);
  for (std::size_t i = 0; i < count; ++i)
    entries_.push_back({base + i * length, static_cast<std::uint32_t>(length), 0});
}

}  // namespace kvr
