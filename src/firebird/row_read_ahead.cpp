#include "firebird/row_read_ahead.h"

#include <algorithm>
#include <cstring>

#include "firebird/call_watchdog.h"
#include "firebird/fb_api.h"

namespace kvr::firebird {
namespace {

constexpr std::size_t kBlocks = 4;
// About this much is read ahead per block; a block takes one row at least.
constexpr std::size_t kBlockBytes = 64 * 1024;
constexpr std::size_t kMaxBlockRows = 512;

}  // namespace

RowReadAhead::RowReadAhead(Firebird::IResultSet* cursor, unsigned message_length,
                           CallWatchdog* watchdog)
    : cursor_(cursor),
      message_length_(message_length),
      watchdog_(watchdog),
      blocks_(kBlocks),
      full_capacity_(
          std::clamp<std::size_t>(kBlockBytes / std::max(1u, message_length), 1, kMaxBlockRows)) {
  for (Block& block : blocks_) block.rows.resize(full_capacity_ * message_length_);
  thread_ = std::thread([this] { Read(); });
}

RowReadAhead::~RowReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stopping_.store(true, std::memory_order_relaxed);
  }
  changed_.notify_all();
  thread_.join();
}

void RowReadAhead::Read() noexcept {
  // The first block is handed over after a few rows, so that the caller starts at once; the
  // later ones grow to the full size.
  std::size_t capacity = std::min<std::size_t>(8, full_capacity_);
  for (std::size_t index = 0;; index = (index + 1) % kBlocks) {
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return filled_ < kBlocks || stopping_; });
      if (stopping_) return;
    }
    Block& block = blocks_[index];
    FillBlock(block, capacity);
    {
      std::lock_guard lock(mutex_);
      ++filled_;
    }
    changed_.notify_all();
    if (block.last) return;
    capacity = std::min(capacity * 4, full_capacity_);
  }
}

void RowReadAhead::FillBlock(Block& block, std::size_t capacity) {
  block.count = 0;
  block.last = false;
  block.error = nullptr;
  try {
    Status status;
    while (block.count < capacity) {
      if (stopping_.load(std::memory_order_relaxed)) {
        block.last = true;  // nobody reads on
        return;
      }
      int result;
      {
        ServerCall call(watchdog_);
        result =
            cursor_->fetchNext(status.get(), block.rows.data() + block.count * message_length_);
      }
      status.Check();
      if (result != Firebird::IStatus::RESULT_OK) {
        block.last = true;
        return;
      }
      ++block.count;
    }
  } catch (...) {
    block.error = std::current_exception();
    block.last = true;
  }
}

bool RowReadAhead::Next(char* buffer) {
  for (;;) {
    if (finished_) return false;
    if (!holding_) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [this] { return filled_ > 0; });
      holding_ = true;
      read_row_ = 0;
    }
    const Block& block = blocks_[read_block_];
    if (read_row_ < block.count) {
      std::memcpy(buffer, block.rows.data() + read_row_ * message_length_, message_length_);
      ++read_row_;
      return true;
    }
    if (block.last) {
      // A failure stays: every later read raises it again, as the cursor would.
      if (block.error) std::rethrow_exception(block.error);
      finished_ = true;
      return false;
    }
    {
      std::lock_guard lock(mutex_);
      --filled_;
    }
    changed_.notify_all();
    holding_ = false;
    read_block_ = (read_block_ + 1) % kBlocks;
  }
}

}  // namespace kvr::firebird
