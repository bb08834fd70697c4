#include "dbf/background_save.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

#include "dbf/file_save.h"
#include "platform/file_system.h"

namespace kvr {

namespace {

constexpr std::size_t kBlockSize = 4 << 20;  // a multiple of the direct write alignment

}  // namespace

BackgroundFileSave::BackgroundFileSave(std::string_view path, std::size_t head_size,
                                       bool bypass_cache)
    : path_(path), head_size_(head_size) {
  const std::string zeros(head_size, '\0');
  const std::string_view head[] = {zeros};
  if (!CreateTemporaryFile(path_, file_, temporary_)) {
    failed_ = true;
    return;
  }
  if (bypass_cache && head_size <= kBlockSize && file_.SetBypassCache(true)) {
    try {
      block_ = AllocateLargeBlock(kBlockSize);
      bypass_ = true;
    } catch (const std::bad_alloc&) {  // then through the cache
      file_.SetBypassCache(false);
    }
  }
  if (!Put(head)) {
    Discard();
    failed_ = true;
    return;
  }
  try {
    writer_ = std::thread([this] { Write(); });
  } catch (const std::system_error&) {  // no thread: the save at the end writes everything
    Discard();
    failed_ = true;
  }
}

BackgroundFileSave::~BackgroundFileSave() {
  {
    const std::lock_guard lock(mutex_);
    queue_.clear();  // given up: what is not written yet stays unwritten
  }
  StopWriter();
  Discard();
}

void BackgroundFileSave::Append(Batch batch) {
  {
    const std::lock_guard lock(mutex_);
    if (failed_ || stop_) return;
    queue_.push_back(std::move(batch));
  }
  wake_.notify_one();
}

bool BackgroundFileSave::Failed() const {
  const std::lock_guard lock(mutex_);
  return failed_;
}

void BackgroundFileSave::Write() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
    if (queue_.empty()) return;  // stopped with everything written
    Batch batch = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    bool written = false;
    try {
      written = Put(batch.pieces);
    } catch (...) {  // no memory for the call: given up like a failed write
    }
    lock.lock();
    if (!written) {
      failed_ = true;
      queue_.clear();
      return;
    }
  }
}

void BackgroundFileSave::StopWriter() {
  {
    const std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  if (writer_.joinable()) writer_.join();
}

void BackgroundFileSave::Discard() {
  file_.Close();
  if (!temporary_.empty()) platform::DeleteFile(temporary_);
  temporary_.clear();
}

bool BackgroundFileSave::Put(std::span<const std::string_view> pieces) {
  if (!bypass_) {
    if (!file_.Write(pieces)) return false;
    file_.StartWriteback();
    return true;
  }
  for (std::string_view piece : pieces) {
    while (!piece.empty()) {
      const std::size_t n = std::min(piece.size(), kBlockSize - block_used_);
      std::memcpy(block_.get() + block_used_, piece.data(), n);
      block_used_ += n;
      piece.remove_prefix(n);
      if (block_used_ == kBlockSize && !WriteBlock(kBlockSize)) return false;
    }
  }
  return true;
}

bool BackgroundFileSave::WriteBlock(std::size_t length) {
  const std::string_view piece[] = {{block_.get(), length}};
  if (!file_.Write(piece)) return false;
  block_written_ = true;
  block_used_ -= length;
  if (block_used_ > 0) std::memmove(block_.get(), block_.get() + length, block_used_);
  return true;
}

bool BackgroundFileSave::PutLastAndHead(std::string_view head) {
  if (!bypass_) {
    const std::string_view head_piece[] = {head};
    return file_.WriteAt(0, head_piece);
  }
  const bool head_in_block = !block_written_;
  if (head_in_block) std::memcpy(block_.get(), head.data(), head.size());
  const std::size_t aligned =
      block_used_ / platform::kDirectWriteAlignment * platform::kDirectWriteAlignment;
  if (aligned > 0 && !WriteBlock(aligned)) return false;
  if (!file_.SetBypassCache(false)) return false;
  const std::string_view last[] = {{block_.get(), block_used_}};
  if (block_used_ > 0 && !file_.Write(last)) return false;
  const std::string_view head_piece[] = {head};
  return head_in_block || file_.WriteAt(0, head_piece);
}

bool BackgroundFileSave::Commit(std::string_view head, std::span<const std::string_view> tail) {
  StopWriter();  // writes what is queued first
  if (failed_ || head.size() != head_size_) {
    Discard();
    return false;
  }
  // A failed write leaves the file to the whole save, which meets a lasting failure with its
  // own text.
  if (!Put(tail) || !PutLastAndHead(head)) {
    Discard();
    return false;
  }
  const std::string temporary = std::move(temporary_);
  temporary_.clear();  // from here CompleteSave removes it on failure
  CompleteSave(file_, temporary, path_, true);
  return true;
}

}  // namespace kvr
