// Named cross-process mutexes with the semantics of the Windows kernel objects the system uses:
//  - any local account may open one (lock files are created with mode 0666 in a sticky
//    world-writable directory: $KVR_LOCK_DIR, default /tmp/kvr-locks);
//  - waited for at most a given time (WaitForSingleObject with a time-out);
//  - recursive for the owning thread (each successful Wait needs its Release);
//  - a holder that dies releases it: the next waiter acquires it and is told it was abandoned;
//  - names are case-sensitive; "Global\" and "Local\" prefixes name the same machine-wide object
//    as the bare name, since this platform has a single session namespace.
// flock() does not exclude threads of one process, so an in-process table per name backs it.
// The lock directory is refused (kErrorUnsafeLockDirectory) when it is a symbolic link, owned by
// another account than root or ours, or writable by others without the sticky bit; lock files
// are opened as shared_file.h describes, so a planted link or file cannot redirect them.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kvr::platform {

// What Wait gives. kAcquired and kAbandoned mean the calling thread owns the mutex now
// (WAIT_OBJECT_0 and WAIT_ABANDONED); kTimedOut (WAIT_TIMEOUT) and kFailed (WAIT_FAILED, the
// last error set) that it does not.
enum class WaitResult { kAcquired, kAbandoned, kTimedOut, kFailed };

// A limit that never ends (INFINITE): only for tests and for callers whose user asked for it.
inline constexpr std::chrono::milliseconds kNoTimeLimit = std::chrono::milliseconds::max();

class NamedMutex {
 public:
  // Creates or opens the mutex. Returns null and sets the last error when it cannot.
  static std::unique_ptr<NamedMutex> Open(std::string_view name);
  // The rule every named mutex of the library follows: "Global\" + name (the machine-wide
  // namespace, seen by every session), and when that cannot be made, the bare name. Returns null
  // with the last error of the second attempt when neither can.
  static std::unique_ptr<NamedMutex> OpenMachineWide(std::string_view name);
  ~NamedMutex();
  NamedMutex(const NamedMutex&) = delete;
  NamedMutex& operator=(const NamedMutex&) = delete;

  // Waits until the calling thread owns the mutex, at most `limit` (0: only a look; the wait
  // for other threads of this process counts too). A thread that owns it already takes it again
  // at once. Waits are not queued: whoever looks first after a release gets it.
  WaitResult Wait(std::chrono::milliseconds limit);
  // Releases one level of ownership; false (last error set) if the thread does not own it.
  bool Release();
  const std::string& Name() const { return name_; }
  // The process that holds the mutex at this moment, when the port can tell (this one: the pid
  // written into the lock file by its owner; Windows cannot tell and gives nothing). Nothing
  // also when nobody holds it.
  std::optional<std::uint32_t> HolderProcessId() const;

  struct Entry;

 private:
  NamedMutex(std::string name, std::shared_ptr<Entry> entry);
  std::string name_;
  std::shared_ptr<Entry> entry_;
};

// Holds a NamedMutex for a scope; releases it also when the scope is left by an exception.
class NamedMutexLock {
 public:
  NamedMutexLock(NamedMutex& mutex, std::chrono::milliseconds limit)
      : mutex_(&mutex), result_(mutex.Wait(limit)) {}
  ~NamedMutexLock() {
    if (owns()) mutex_->Release();
  }
  NamedMutexLock(const NamedMutexLock&) = delete;
  NamedMutexLock& operator=(const NamedMutexLock&) = delete;
  WaitResult result() const { return result_; }
  bool owns() const {
    return result_ == WaitResult::kAcquired || result_ == WaitResult::kAbandoned;
  }

 private:
  NamedMutex* mutex_;
  WaitResult result_;
};

// Replaces each character a kernel object name may not hold (" * / : < > ? \ |) by '_', so
// that a path can name a mutex (C:\MOLT\x.log -> C__MOLT_x.log).
void MakeMutexNameSafe(std::string& name);

// The text of a wait that timed out, naming the lock and its holder:
//   The <what> "<name>" was not free within <n> s: another process holds it (pid <pid>)
// ("another process holds it" alone when the port cannot tell who; "this process holds it"
// when a thread of ours does).
std::string LockTimeoutMessage(std::string_view what, const NamedMutex& mutex,
                               std::chrono::milliseconds limit);

// The directory that holds the lock files.
std::string LockDirectory();

}  // namespace kvr::platform
