// Reads the rows of an open cursor on a thread of its own, a bounded distance ahead of the
// dataset, so that the engine's (or the server's) work on the next rows overlaps with the
// caller's work on this one. Nothing else changes: the rows come out in the cursor's order,
// and a fetch that fails is raised (the client's own error, the same text) when the reader
// reaches it, after every row fetched before it.
//
// Internal to this folder. The cursor must stay open, and is not used by anyone else, until
// the RowReadAhead is destroyed; destroying it waits for a fetch in progress to return.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace Firebird {
class IResultSet;
}

namespace kvr::firebird {

class CallWatchdog;

class RowReadAhead {
 public:
  RowReadAhead(Firebird::IResultSet* cursor, unsigned message_length, CallWatchdog* watchdog);
  ~RowReadAhead();
  RowReadAhead(const RowReadAhead&) = delete;
  RowReadAhead& operator=(const RowReadAhead&) = delete;

  // Copies the next row's output message into `buffer`; false after the last row. Raises what
  // the fetch of this row raised.
  bool Next(char* buffer);

 private:
  // A batch of rows handed from the reading thread to the caller in one step.
  struct Block {
    std::vector<char> rows;
    std::size_t count = 0;
    bool last = false;         // no rows after this block (the end, or a failure)
    std::exception_ptr error;  // with `last`: what the fetch after the block's rows raised
  };

  void Read() noexcept;
  void FillBlock(Block& block, std::size_t capacity);

  Firebird::IResultSet* cursor_;
  const unsigned message_length_;
  CallWatchdog* watchdog_;
  std::vector<Block> blocks_;  // a ring: the thread fills, the caller empties, in turn
  std::size_t full_capacity_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t filled_ = 0;  // blocks handed over and not yet emptied
  std::atomic<bool> stopping_{false};

  // The caller's side.
  bool holding_ = false;  // the caller reads from blocks_[read_block_]
  std::size_t read_block_ = 0;
  std::size_t read_row_ = 0;
  bool finished_ = false;

  std::thread thread_;
};

}  // namespace kvr::firebird
