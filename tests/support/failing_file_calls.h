// Fault injection through the platform's file calls: makes one kind of call (open, write, read,
// seek, set size, sync, link, close, rename, delete) on the files whose native path contains a
// text fail with a chosen Windows error, as a full disk or a failing device would. A file opened
// without a name is matched by its directory. Installed for its lifetime.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "platform/file_calls.h"

namespace kvr::test {

class FailingFileCalls : public platform::FileCallsWrapper {
 public:
  enum class Call { kOpen, kWrite, kRead, kSeek, kSetSize, kSync, kClose, kRename, kDelete };

  // `times`: how many matching calls fail (then they succeed again); negative: all of them.
  FailingFileCalls(Call call, std::string path_part, std::uint32_t error, int times = -1)
      : FileCallsWrapper(platform::CurrentFileCalls()),
        call_(call),
        path_part_(std::move(path_part)),
        error_(error),
        left_(times),
        scope_(*this) {}

  int failures() const {
    std::lock_guard lock(mutex_);
    return failures_;
  }

  std::uint32_t Open(const platform::FileOpenCall& call, platform::FileHandle& handle) override {
    if (Fails(Call::kOpen, call.path)) return error_;
    const std::uint32_t code = target().Open(call, handle);
    std::lock_guard lock(mutex_);
    if (code == 0 && Matches(call.path)) watched_.insert(handle);
    return code;
  }
  std::uint32_t Write(platform::FileHandle handle, const platform::WriteBuffer* buffers,
                      std::size_t count, std::size_t& written) override {
    if (Fails(Call::kWrite, handle)) {
      written = 0;
      return error_;
    }
    return target().Write(handle, buffers, count, written);
  }
  std::uint32_t Read(platform::FileHandle handle, void* buffer, std::size_t size,
                     std::size_t& done) override {
    done = 0;
    return Fails(Call::kRead, handle) ? error_ : target().Read(handle, buffer, size, done);
  }
  std::uint32_t Seek(platform::FileHandle handle, std::int64_t offset, platform::SeekOrigin origin,
                     std::uint64_t& position) override {
    return Fails(Call::kSeek, handle) ? error_ : target().Seek(handle, offset, origin, position);
  }
  std::uint32_t SetSize(platform::FileHandle handle, std::uint64_t size) override {
    return Fails(Call::kSetSize, handle) ? error_ : target().SetSize(handle, size);
  }
  std::uint32_t Sync(platform::FileHandle handle) override {
    return Fails(Call::kSync, handle) ? error_ : target().Sync(handle);
  }
  std::uint32_t Close(platform::FileHandle handle) override {
    const bool fail = Fails(Call::kClose, handle);
    {
      std::lock_guard lock(mutex_);
      watched_.erase(handle);
    }
    const std::uint32_t code = target().Close(handle);  // a failed close still frees it
    return fail ? error_ : code;
  }
  std::uint32_t Rename(const std::string& from, const std::string& to) override {
    if (Fails(Call::kRename, from) || Fails(Call::kRename, to)) return error_;
    return target().Rename(from, to);
  }
  std::uint32_t Delete(const std::string& path) override {
    if (Fails(Call::kDelete, path)) return error_;
    return target().Delete(path);
  }

 private:
  bool Matches(const std::string& path) const { return path.find(path_part_) != std::string::npos; }
  bool Take(Call call, bool matches) {
    if (call != call_ || !matches || left_ == 0) return false;
    if (left_ > 0) --left_;
    ++failures_;
    return true;
  }
  bool Fails(Call call, const std::string& path) {
    std::lock_guard lock(mutex_);
    return Take(call, Matches(path));
  }
  bool Fails(Call call, platform::FileHandle handle) {
    std::lock_guard lock(mutex_);
    return Take(call, watched_.count(handle) > 0);
  }

  const Call call_;
  const std::string path_part_;
  const std::uint32_t error_;
  mutable std::mutex mutex_;
  int left_;
  int failures_ = 0;
  std::set<platform::FileHandle> watched_;
  platform::ScopedFileCalls scope_;
};

}  // namespace kvr::test
