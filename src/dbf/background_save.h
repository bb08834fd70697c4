// A file written while its content is still being made: pieces handed over with Append are
// written to the file's temporary copy by a thread of its own, in order, while the caller goes
// on. Where the file system allows, they bypass the system's cache: the writer gathers them
// into one aligned block and writes it straight to the disk, so that the file is neither
// copied again nor given memory of its own (on a virtual machine, fresh memory is dear);
// elsewhere they are written as usual and the system is asked to put them on the disk at
// once. Either way the disk works while the content is made. Commit adds the last pieces,
// writes the head over the bytes kept for it at the start, and puts the file in place with the
// guarantees and error texts of SaveFileWhole. Saving a large table this way overlaps the
// disk's work with the making of the table instead of leaving it all for the end.
//
// The file is written under its temporary name ("<name>.<pid>-<n>.tmp", file_save.h) from the
// start, as every save is: a process killed while the content is made leaves that file, never
// a part under the final name, and the next run of that export removes it. Failed writes up to
// Commit are not raised: the save gives up (Failed), removes its file and Commit returns false,
// so that the caller saves the file whole instead and meets a lasting failure there, with the
// same text and at the same point as without this.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "dbf/large_block.h"
#include "platform/new_file.h"

namespace kvr {

class BackgroundFileSave {
 public:
  // Pieces of the file in order; `owned` holds characters some of them point into.
  struct Batch {
    std::vector<std::string_view> pieces;
    std::deque<std::string> owned;
  };

  // Creates the temporary file beside `path` and keeps its first `head_size` bytes for the head.
  // `bypass_cache` false writes through the system's cache even where it could be bypassed.
  BackgroundFileSave(std::string_view path, std::size_t head_size, bool bypass_cache = true);
  // Stops the writer; a temporary file not committed is removed.
  ~BackgroundFileSave();
  BackgroundFileSave(const BackgroundFileSave&) = delete;
  BackgroundFileSave& operator=(const BackgroundFileSave&) = delete;

  const std::string& Path() const { return path_; }
  std::size_t HeadSize() const { return head_size_; }
  // The characters the pieces point to stay valid and unchanged until Commit or destruction.
  void Append(Batch batch);
  // True once a write failed (or the file could not be created); nothing more is written.
  bool Failed() const;
  // Waits for the writer, writes `tail` after everything appended and `head` (HeadSize() bytes)
  // at the start, and renames the file into place, raising as SaveFileWhole when syncing,
  // closing or renaming fails. False, with nothing raised and the file removed, when a write
  // failed (before or here).
  bool Commit(std::string_view head, std::span<const std::string_view> tail);

 private:
  void Write();
  void StopWriter();
  void Discard();
  // Writes the pieces after what was written before (through the block when bypassing).
  bool Put(std::span<const std::string_view> pieces);
  bool WriteBlock(std::size_t length);
  // The end: what is left in the block and the head, through the system's cache.
  bool PutLastAndHead(std::string_view head);

  std::string path_;
  std::size_t head_size_;
  platform::NewFile file_;
  std::string temporary_;  // empty once removed or handed to CompleteSave
  bool bypass_ = false;
  LargeBlock block_;  // when bypassing: the bytes not yet written
  std::size_t block_used_ = 0;
  bool block_written_ = false;  // the start of the file (the head's place) is on the disk

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Batch> queue_;
  bool stop_ = false;
  bool failed_ = false;
  std::thread writer_;
};

}  // namespace kvr
