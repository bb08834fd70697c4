#include "platform/file_stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

int Flags(FileOpenMode mode) {
  switch (mode) {
    case FileOpenMode::kRead: return O_RDONLY;
    case FileOpenMode::kReadWrite: return O_RDWR;
    case FileOpenMode::kCreate: return O_RDWR | O_CREAT | O_TRUNC;
    case FileOpenMode::kCreateOrOpen: return O_RDWR | O_CREAT;
  }
  return O_RDONLY;
}

// Windows tells a missing directory (3) from a missing file (2).
std::uint32_t OpenError(int err, const std::string& native) {
  if (err != ENOENT) return WindowsErrorFromErrno(err);
  std::string dir = ExtractFilePath(native);
  return dir.empty() || DirectoryExists(dir) ? kErrorFileNotFound : kErrorPathNotFound;
}

}  // namespace

FileStream::~FileStream() {
  if (fd_ >= 0) ::close(fd_);
}

FileStream::FileStream(FileStream&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), native_path_(std::move(other.native_path_)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    native_path_ = std::move(other.native_path_);
  }
  return *this;
}

bool FileStream::Open(std::string_view path, FileOpenMode mode, FileShare share) {
  if (fd_ >= 0) Close();
  std::string native = MapPath(path);
  // Truncation waits until the share check has passed: a file held exclusively stays intact.
  int flags = Flags(mode) & ~O_TRUNC;
  // O_NONBLOCK: a FIFO or device under the name is refused at once instead of blocking the open.
  int fd = ::open(native.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    SetLastError(OpenError(errno, native));
    return false;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    SetLastError(kErrorAccessDenied);
    return false;
  }
  int lock = share == FileShare::kExclusive ? LOCK_EX : LOCK_SH;
  while (::flock(fd, lock | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    std::uint32_t code = errno == EWOULDBLOCK ? kErrorSharingViolation : WindowsErrorFromErrno(errno);
    ::close(fd);
    SetLastError(code);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);  // a regular file: plain reads
  if ((Flags(mode) & O_TRUNC) && ::ftruncate(fd, 0) != 0) {
    SetLastErrorFromErrno();
    ::close(fd);
    return false;
  }
  fd_ = fd;
  native_path_ = std::move(native);
  return true;
}

std::int64_t FileStream::Size() const {
  struct stat st{};
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
  while (size > 0) {
    ssize_t n = ::write(fd_, p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno();
      return false;
    }
    p += n;
    size -= static_cast<std::size_t>(n);
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
  if (::close(fd) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

}  // namespace kvr::platform
