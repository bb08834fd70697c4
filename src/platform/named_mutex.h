// Named cross-process mutexes with the semantics of the Windows kernel objects the system uses:
//  - any local account may open one (lock files are created with mode 0666 in a sticky
//    world-writable directory: $KVR_LOCK_DIR, default /tmp/kvr-locks);
//  - waited for without a time limit;
//  - recursive for the owning thread (each Wait needs its Release);
//  - a holder that dies releases it: the next waiter acquires it and is told it was abandoned;
//  - names are case-sensitive; "Global\" and "Local\" prefixes name the same machine-wide object
//    as the bare name, since this platform has a single session namespace.
// flock() does not exclude threads of one process, so an in-process table per name backs it.
// The lock directory is refused (kErrorUnsafeLockDirectory) when it is a symbolic link, owned by
// another account than root or ours, or writable by others without the sticky bit; lock files
// are opened as shared_file.h describes, so a planted link or file cannot redirect them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace kvr::platform {

enum class WaitResult { kAcquired, kAbandoned, kFailed };

class NamedMutex {
 public:
  // Creates or opens the mutex. Returns null and sets the last error when it cannot.
  static std::unique_ptr<NamedMutex> Open(std::string_view name);
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Blocks until the calling thread owns the mutex. kAbandoned also means owned.
  WaitResult Wait();
  // Releases one level of ownership; false (last error set) if the thread does not own it.
  bool Release();
  const std::string& Name() const { return name_; }

  struct Entry;

 private:
  NamedMutex(std::string name, std::shared_ptr<Entry> entry);
  std::string name_;
  std::shared_ptr<Entry> entry_;
};

// Holds a NamedMutex for a scope; releases it also when the scope is left by an exception.
class NamedMutexLock {
 public:
  explicit NamedMutexLock(NamedMutex& mutex) : mutex_(&mutex), result_(mutex.Wait()) {}
  ~NamedMutexLock() {
    if (owns()) mutex_->Release();
  }
  NamedMutexLock(const NamedMutexLock&) = delete;
  NamedMutexLock& operator=(const NamedMutexLock&) = delete;
  WaitResult result() const { return result_; }
  bool owns() const { return result_ != WaitResult::kFailed; }

 private:
  NamedMutex* mutex_;
  WaitResult result_;
};

// The directory that holds the lock files.
std::string LockDirectory();

}  // namespace kvr::platform
