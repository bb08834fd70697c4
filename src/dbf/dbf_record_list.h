// The records of a DBF table in memory: an ordered list of raw record texts (deletion flag
// first, then every field's characters), each with a 32-bit tag that the table uses as the
// record's identity.
//
// Texts live in large arenas, never one allocation per record: a loaded file's image is
// adopted as an arena as it is (no copy), and added records are packed into chunks. Entries
// are small (pointer, length, tag), so inserting in the middle moves only entries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/large_block.h"

namespace kvr {

class DBFRecordList {
 public:
  // Told before a record's text changes in place, moves or goes away, with the lowest index
  // concerned (0 for clearing the list). Appending tells nothing.
  class Watcher {
   public:
    virtual void BeforeChange(int index) = 0;

   protected:
    ~Watcher() = default;
  };

  DBFRecordList() = default;
  DBFRecordList(const DBFRecordList&) = delete;
  DBFRecordList& operator=(const DBFRecordList&) = delete;

  int Count() const { return static_cast<int>(entries_.size()); }
  bool Empty() const { return entries_.empty(); }
  void Clear();
  void Reserve(std::size_t count) { entries_.reserve(count); }

  std::string_view Text(int index) const {
    const Entry& e = entries_[static_cast<std::size_t>(index)];
    return {e.text, e.length};
  }
  // Writable characters of a record (same length as Text), for changing it.
  char* MutableText(int index) {
    Changing(index);
    return entries_[static_cast<std::size_t>(index)].text;
  }
  std::int32_t Tag(int index) const { return entries_[static_cast<std::size_t>(index)].tag; }
  void SetTag(int index, std::int32_t tag) { entries_[static_cast<std::size_t>(index)].tag = tag; }
  // Index of the record with that tag, looking first at `hint`; -1 when there is none.
  int IndexOfTag(std::int32_t tag, int hint) const;

  void Append(std::string_view text, std::int32_t tag);
  void Insert(int index, std::string_view text, std::int32_t tag);
  // Replaces a record's text (in place when the length is unchanged).
  void Replace(int index, std::string_view text);

  // Takes `image` as storage and appends `count` records of `length` bytes starting at
  // `offset` in it, with tags 0. The caller has checked that they lie inside the image.
  void AdoptImage(std::string image, std::size_t offset, std::size_t length, std::size_t count);

  // One watcher at a time; null detaches it.
  void SetWatcher(Watcher* watcher) { watcher_ = watcher; }

 private:
  struct Entry {
    char* text;
    std::uint32_t length;
    std::int32_t tag;
  };
  char* Store(std::string_view text);
  void Changing(int index) {
    if (watcher_) watcher_->BeforeChange(index);
  }

  std::vector<Entry> entries_;
  std::vector<LargeBlock> chunks_;
  std::vector<std::unique_ptr<std::string>> images_;  // adopted file images
  char* chunk_free_ = nullptr;
  std::size_t chunk_left_ = 0;
  std::size_t chunk_total_ = 0;  // bytes in chunks_
  Watcher* watcher_ = nullptr;
};

}  // namespace kvr
