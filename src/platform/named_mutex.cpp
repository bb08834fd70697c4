#include "platform/named_mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/clock.h"
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
  ~Entry() {
    if (fd >= 0) ::close(fd);
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

bool EnsureLockDirectory(const std::string& dir) {
  struct stat st{};
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  if (::mkdir(dir.c_str(), 01777) != 0 && errno != EEXIST) return false;
  ::chmod(dir.c_str(), 01777);  // umask must not narrow who may open the locks
  return true;
}

// The lock file holds the owner's pid while held; a non-empty file found on acquiring means
// the previous owner died holding it.
bool MarkOwned(int fd) {
  char buf[16];
  ssize_t n = ::pread(fd, buf, sizeof buf, 0);
  bool abandoned = n > 0;
  std::string pid = std::to_string(CurrentProcessId());
  if (::pwrite(fd, pid.data(), pid.size(), 0) < 0 || ::ftruncate(fd, pid.size()) != 0) {
    // The mark is advisory; ownership is held by flock regardless.
  }
  return abandoned;
}

void MarkReleased(int fd) {
  if (::ftruncate(fd, 0) != 0) {
    // Nothing more to do: the next owner may report the mutex as abandoned.
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
    std::string dir = LockDirectory();
    if (!EnsureLockDirectory(dir)) {
      SetLastErrorFromErrno();
      return nullptr;
    }
    entry = std::make_shared<Entry>();
    entry->file = dir + "/" + FileNameFor(key);
    entry->fd = ::open(entry->file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (entry->fd < 0) {
      SetLastErrorFromErrno();
      return nullptr;
    }
    ::fchmod(entry->fd, 0666);  // fails harmlessly when another account created it
    slot = entry;
  }
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::string(name), std::move(entry)));
}

WaitResult NamedMutex::Wait() {
  Entry& e = *entry_;
  std::unique_lock lock(e.guard);
  const auto self = std::this_thread::get_id();
  if (e.depth > 0 && e.owner == self) {
    ++e.depth;
    return WaitResult::kAcquired;
  }
  e.released.wait(lock, [&] { return e.depth == 0; });
  while (::flock(e.fd, LOCK_EX) != 0) {
    if (errno != EINTR) {
      SetLastErrorFromErrno();
      e.released.notify_one();
      return WaitResult::kFailed;
    }
  }
  e.owner = self;
  e.depth = 1;
  return MarkOwned(e.fd) ? WaitResult::kAbandoned : WaitResult::kAcquired;
}

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
