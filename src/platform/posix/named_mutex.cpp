#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/clock.h"
#include "platform/file_calls.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/errno_codes.h"
#include "platform/shared_file.h"
#include "platform/system_error.h"

namespace kvr::platform {

// One per distinct name in this process: the lock file and the in-process owner.
struct NamedMutex::Entry {
  std::string file;
  int fd = -1;
  std::mutex guard;
  std::condition_variable released;
  std::thread::id owner;
  std::uint32_t depth = 0;
  bool claimed = false;  // a thread of this process is taking the lock file's flock
  ~Entry() {
    if (fd >= 0) CurrentFileCalls().Close(HandleOf(fd));
  }
};

namespace {

std::mutex g_table_mutex;
std::map<std::string, std::weak_ptr<NamedMutex::Entry>>& Table() {
  // Destroyed with the module: a library that is loaded and unloaded again must not leave its
  // table behind. Destroying a NamedMutex does not touch it.
  static std::map<std::string, std::weak_ptr<NamedMutex::Entry>> table;
  return table;
}

std::string_view WithoutNamespace(std::string_view name) {
  for (std::string_view prefix : {std::string_view("Global\\"), std::string_view("Local\\")})
    if (name.substr(0, prefix.size()) == prefix) return name.substr(prefix.size());
  return name;
}

// Lock file name: bytes outside [A-Za-z0-9._-] are written as %XX, so that case is kept
// and separators cannot escape the directory.
std::string FileNameFor(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out = "mutex-";
  for (unsigned char c : name) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 c == '.' || c == '_' || c == '-';
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  if (out.size() > 240) out.resize(240);  // names past this length share a file
  return out;
}

// Closes a descriptor when the scope ends.
struct ScopedFd {
  int fd;
  ~ScopedFd() {
    if (fd >= 0) ::close(fd);
  }
};

// Opens the lock directory, creating it sticky and writable by every account. Since anyone may
// create files in it, it is refused when another ordinary account owns it (it could swap the
// lock files) or when others may write it without the sticky bit (they could delete or replace
// ours); a symbolic link in its place is refused too.
int OpenLockDirectory(const std::string& dir) {
  const bool made = ::mkdir(dir.c_str(), 01777) == 0;
  if (!made && errno != EEXIST) {
    SetLastErrorFromErrno();
    return -1;
  }
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    const int err = errno;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
      SetLastError(kErrorUnsafeLockDirectory);
    else
      SetLastError(WindowsErrorFromErrno(err));
    return -1;
  }
  if (made) ::fchmod(fd, 01777);  // the umask must not narrow who may open the locks
  struct stat st {};
  const bool safe = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) &&
                    (st.st_uid == 0 || st.st_uid == ::geteuid()) &&
                    ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0 || (st.st_mode & S_ISVTX) != 0);
  if (!safe) {
    ::close(fd);
    SetLastError(kErrorUnsafeLockDirectory);
    return -1;
  }
  return fd;
}

// While held, the lock file starts with the owner's pid; a pid found on acquiring means the
// previous owner died holding it. The mark is written over a fixed width and never truncated,
// so a lock file holds at most those bytes whoever created it.
constexpr std::size_t kMarkWidth = 12;

bool MarkOwned(int fd) {
  char buf[kMarkWidth];
  ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  bool abandoned = false;
  for (ssize_t i = 0; i < n; ++i) abandoned = abandoned || (buf[i] >= '0' && buf[i] <= '9');
  std::string mark = std::to_string(CurrentProcessId());
  mark.resize(kMarkWidth, ' ');
  if (::pwrite(fd, mark.data(), mark.size(), 0) < 0) {
    // The mark is advisory; ownership is held by flock regardless.
  }
  return abandoned;
}

// The pid in the mark, if any.
std::optional<std::uint32_t> MarkedOwner(int fd) {
  char buf[kMarkWidth];
  const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  std::uint32_t pid = 0;
  bool any = false;
  for (ssize_t i = 0; i < n && buf[i] >= '0' && buf[i] <= '9'; ++i, any = true)
    pid = pid * 10 + static_cast<std::uint32_t>(buf[i] - '0');
  return any ? std::optional<std::uint32_t>(pid) : std::nullopt;
}

void MarkReleased(int fd) {
  const std::string blank(kMarkWidth, ' ');
  if (::pwrite(fd, blank.data(), blank.size(), 0) < 0) {
    // Nothing more to do: the next owner may report the mutex as abandoned.
  }
}

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kLongestPause{10};

// Limits beyond a century are the same as none (and keep the deadline from overflowing).
bool Unlimited(std::chrono::milliseconds limit) {
  return limit > std::chrono::hours(24 * 365 * 100);
}

// Takes the flock of the lock file. flock() has no time-out, so a limited wait looks again and
// again, at first every millisecond, later every 10 ms: quick to follow a short hold, cheap
// over a long one.
WaitResult LockFile(int fd, std::chrono::milliseconds limit, Clock::time_point deadline) {
  const int how = Unlimited(limit) ? LOCK_EX : LOCK_EX | LOCK_NB;
  for (auto pause = std::chrono::milliseconds(1);; pause = std::min(pause * 2, kLongestPause)) {
    if (::flock(fd, how) == 0)
      return MarkOwned(fd) ? WaitResult::kAbandoned : WaitResult::kAcquired;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      SetLastErrorFromErrno();
      return WaitResult::kFailed;
    }
    const auto now = Clock::now();
    if (now >= deadline) return WaitResult::kTimedOut;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
  }
}

}  // namespace

std::string LockDirectory() {
  const char* v = std::getenv("KVR_LOCK_DIR");
  std::string dir = v && *v ? v : "/tmp/kvr-locks";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir;
}

NamedMutex::NamedMutex(std::string name, std::shared_ptr<Entry> entry)
    : name_(std::move(name)), entry_(std::move(entry)) {}

NamedMutex::~NamedMutex() = default;

std::unique_ptr<NamedMutex> NamedMutex::Open(std::string_view name) {
  std::string key(WithoutNamespace(name));
  if (key.empty()) {
    SetLastError(kErrorInvalidName);
    return nullptr;
  }
  std::lock_guard lock(g_table_mutex);
  auto& slot = Table()[key];
  std::shared_ptr<Entry> entry = slot.lock();
  if (!entry) {
    const std::string dir = LockDirectory();
    ScopedFd directory{OpenLockDirectory(dir)};
    if (directory.fd < 0) return nullptr;
    entry = std::make_shared<Entry>();
    entry->file = dir + "/" + FileNameFor(key);
    // Every local account may open the lock, whoever created it first.
    const SharedFileRequest request{.create_mode = 0666, .owner = SharedFileOwner::kAnyAccount};
    entry->fd =
        Descriptor(OpenSharedFile(HandleOf(directory.fd), FileNameFor(key), request).handle);
    if (entry->fd < 0) return nullptr;
    slot = entry;
  }
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::string(name), std::move(entry)));
}

WaitResult NamedMutex::Wait(std::chrono::milliseconds limit) {
  Entry& e = *entry_;
  const bool unlimited = Unlimited(limit);
  const auto deadline = unlimited ? Clock::time_point::max()
                                  : Clock::now() + std::max(limit, std::chrono::milliseconds(0));
  std::unique_lock lock(e.guard);
  const auto self = std::this_thread::get_id();
  if (e.depth > 0 && e.owner == self) {
    ++e.depth;
    return WaitResult::kAcquired;
  }
  // Threads of this process take turns here first; one at a time goes on to the flock.
  const auto free = [&] { return e.depth == 0 && !e.claimed; };
  if (unlimited)
    e.released.wait(lock, free);
  else if (!e.released.wait_until(lock, deadline, free))
    return WaitResult::kTimedOut;
  e.claimed = true;
  lock.unlock();
  const WaitResult result = LockFile(e.fd, limit, deadline);
  lock.lock();
  e.claimed = false;
  if (result == WaitResult::kAcquired || result == WaitResult::kAbandoned) {
    e.owner = self;
    e.depth = 1;
  } else {
    e.released.notify_one();  // the next thread of ours may try with its own limit
  }
  return result;
}

std::optional<std::uint32_t> NamedMutex::HolderProcessId() const { return MarkedOwner(entry_->fd); }

bool NamedMutex::Release() {
  Entry& e = *entry_;
  std::unique_lock lock(e.guard);
  if (e.depth == 0 || e.owner != std::this_thread::get_id()) {
    SetLastError(288);  // ERROR_NOT_OWNER
    return false;
  }
  if (--e.depth == 0) {
    MarkReleased(e.fd);
    ::flock(e.fd, LOCK_UN);
    e.owner = std::thread::id();
    lock.unlock();
    e.released.notify_one();
  }
  return true;
}

}  // namespace kvr::platform
