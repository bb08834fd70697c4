#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file_calls.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/posix/errno_codes.h"
#include "platform/shared_file.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

int Flags(FileOpenMode mode) {
  switch (mode) {
    case FileOpenMode::kRead: return O_RDONLY;
    case FileOpenMode::kReadWrite: return O_RDWR;
    case FileOpenMode::kCreate: return O_RDWR | O_CREAT | O_TRUNC;
    case FileOpenMode::kCreateOrOpen: return O_RDWR | O_CREAT;
    case FileOpenMode::kCreateNew: return O_RDWR | O_CREAT | O_EXCL;
  }
  return O_RDONLY;
}

// Windows tells a missing directory (3) from a missing file (2).
std::uint32_t OpenError(std::uint32_t code, const std::string& native) {
  if (code != kErrorFileNotFound) return code;
  std::string dir = ExtractFilePath(native);
  return dir.empty() || DirectoryExists(dir) ? kErrorFileNotFound : kErrorPathNotFound;
}

void CloseQuietly(int fd) { CurrentFileCalls().Close(fd); }

int OpenTrusted(const std::string& native, FileOpenMode mode, bool& created) {
  // Truncation waits until the share check has passed: a file held exclusively stays intact.
  // O_NONBLOCK: a FIFO or device under the name is refused at once instead of blocking the open.
  const int flags = (Flags(mode) & ~O_TRUNC) | O_CLOEXEC | O_NONBLOCK;
  FileCalls& calls = CurrentFileCalls();
  int fd = kNoFile;
  std::uint32_t code = kErrorAlreadyExists;
  if (mode == FileOpenMode::kCreateOrOpen) {
    // Tells a file created here from one that another writer created meanwhile.
    code = calls.Open({kCurrentDirectory, native, flags | O_EXCL, 0666}, fd);
    created = code == kErrorSuccess;
  }
  if (code == kErrorAlreadyExists) code = calls.Open({kCurrentDirectory, native, flags, 0666}, fd);
  if (code != kErrorSuccess) {
    SetLastError(OpenError(code, native));
    return -1;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    CloseQuietly(fd);
    SetLastError(kErrorAccessDenied);
    return -1;
  }
  return fd;
}

int OpenInSharedPlace(const std::string& native, FileOpenMode mode, bool& created) {
  SharedFileRequest request;
  switch (mode) {
    case FileOpenMode::kCreate:
      SetLastError(kErrorInvalidParameter);  // emptying a file there is never safe
      return -1;
    case FileOpenMode::kCreateNew: request.create = SharedFileCreate::kCreateNew; break;
    case FileOpenMode::kCreateOrOpen: request.create = SharedFileCreate::kOpenOrCreate; break;
    case FileOpenMode::kRead:
    case FileOpenMode::kReadWrite: request.create = SharedFileCreate::kOpenExisting; break;
  }
  SharedFileHandle handle = OpenSharedFile(kCurrentDirectory, native, request);
  if (handle.fd < 0) SetLastError(OpenError(GetLastError(), native));
  created = handle.created;
  return handle.fd;
}

}  // namespace

FileStream::~FileStream() {
  if (fd_ >= 0) CloseQuietly(fd_);
}

FileStream::FileStream(FileStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      created_(other.created_),
      native_path_(std::move(other.native_path_)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) CloseQuietly(fd_);
    fd_ = std::exchange(other.fd_, -1);
    created_ = other.created_;
    native_path_ = std::move(other.native_path_);
  }
  return *this;
}

bool FileStream::Open(std::string_view path, FileOpenMode mode, FileShare share, FilePlace place) {
  if (fd_ >= 0) Close();
  created_ = false;
  std::string native = MapPath(path);
  bool created = false;
  const int fd = place == FilePlace::kShared || mode == FileOpenMode::kCreateNew
                     ? OpenInSharedPlace(native, mode, created)
                     : OpenTrusted(native, mode, created);
  if (fd < 0) return false;
  int lock = share == FileShare::kExclusive ? LOCK_EX : LOCK_SH;
  while (::flock(fd, lock | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    std::uint32_t code =
        errno == EWOULDBLOCK ? kErrorSharingViolation : WindowsErrorFromErrno(errno);
    CloseQuietly(fd);
    SetLastError(code);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);  // a regular file: plain reads
  if ((Flags(mode) & O_TRUNC) && ::ftruncate(fd, 0) != 0) {
    SetLastErrorFromErrno();
    CloseQuietly(fd);
    return false;
  }
  fd_ = fd;
  created_ = created;
  native_path_ = std::move(native);
  return true;
}

bool FileStream::TakeAccessOf(const FileStream& original) {
  struct stat st {};
  if (!created_ || ::fstat(original.fd_, &st) != 0) {
    SetLastError(created_ ? WindowsErrorFromErrno(errno) : kErrorAccessDenied);
    return false;
  }
  // Only root may give a file away; anyone may pass it to a group of theirs.
  if (::fchown(fd_, st.st_uid, st.st_gid) != 0 &&
      ::fchown(fd_, static_cast<uid_t>(-1), st.st_gid) != 0) {
    // The file stays ours; its permissions below still say who else may use it.
  }
  if (::fchmod(fd_, st.st_mode & 07777) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

std::int64_t FileStream::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    SetLastErrorFromErrno();
    return -1;
  }
  return st.st_size;
}

std::int64_t FileStream::Position() const {
  off_t pos = ::lseek(fd_, 0, SEEK_CUR);
  if (pos < 0) SetLastErrorFromErrno();
  return pos;
}

bool FileStream::Seek(std::int64_t position) {
  if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool FileStream::SeekToEnd() {
  if (::lseek(fd_, 0, SEEK_END) < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool FileStream::Read(void* buffer, std::size_t size, std::size_t& done) {
  done = 0;
  while (true) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) {
      done = static_cast<std::size_t>(n);
      return true;
    }
    if (errno != EINTR) {
      SetLastErrorFromErrno();
      return false;
    }
  }
}

bool FileStream::ReadExactly(void* buffer, std::size_t size) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    std::size_t done;
    if (!Read(p, size, done)) return false;
    if (done == 0) {
      SetLastError(kErrorHandleEof);
      return false;
    }
    p += done;
    size -= done;
  }
  return true;
}

bool FileStream::Write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  FileCalls& calls = CurrentFileCalls();
  while (size > 0) {
    const WriteBuffer buffer{p, size};
    std::size_t written = 0;
    if (const std::uint32_t code = calls.Write(fd_, &buffer, 1, written)) {
      SetLastError(code);
      return false;
    }
    p += written;
    size -= written;
  }
  return true;
}

bool FileStream::SetSize(std::int64_t size) {
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool FileStream::Flush() {
  if (::fsync(fd_) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

bool FileStream::Close() {
  if (fd_ < 0) return true;
  int fd = std::exchange(fd_, -1);
  if (const std::uint32_t code = CurrentFileCalls().Close(fd)) {
    SetLastError(code);
    return false;
  }
  return true;
}

}  // namespace kvr::platform
