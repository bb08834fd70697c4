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
#include "platform/posix/descriptor.h"
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

void CloseQuietly(FileHandle handle) { CurrentFileCalls().Close(handle); }

FileHandle OpenTrusted(const std::string& native, FileOpenMode mode, bool& created) {
  // Truncation waits until the share check has passed: a file held exclusively stays intact.
  // O_NONBLOCK: a FIFO or device under the name is refused at once instead of blocking the open.
  const int flags = (Flags(mode) & ~O_TRUNC) | O_CLOEXEC | O_NONBLOCK;
  FileCalls& calls = CurrentFileCalls();
  FileHandle handle = kNoFile;
  std::uint32_t code = kErrorAlreadyExists;
  if (mode == FileOpenMode::kCreateOrOpen) {
    // Tells a file created here from one that another writer created meanwhile.
    code = calls.Open({kCurrentDirectory, native, flags | O_EXCL, 0666}, handle);
    created = code == kErrorSuccess;
  }
  if (code == kErrorAlreadyExists)
    code = calls.Open({kCurrentDirectory, native, flags, 0666}, handle);
  if (code != kErrorSuccess) {
    SetLastError(OpenError(code, native));
    return kNoFile;
  }
  struct stat st {};
  if (::fstat(Descriptor(handle), &st) != 0 || !S_ISREG(st.st_mode)) {
    CloseQuietly(handle);
    SetLastError(kErrorAccessDenied);
    return kNoFile;
  }
  return handle;
}

FileHandle OpenInSharedPlace(const std::string& native, FileOpenMode mode, bool& created) {
  SharedFileRequest request;
  switch (mode) {
    case FileOpenMode::kCreate:
      SetLastError(kErrorInvalidParameter);  // emptying a file there is never safe
      return kNoFile;
    case FileOpenMode::kCreateNew: request.create = SharedFileCreate::kCreateNew; break;
    case FileOpenMode::kCreateOrOpen: request.create = SharedFileCreate::kOpenOrCreate; break;
    case FileOpenMode::kRead:
    case FileOpenMode::kReadWrite: request.create = SharedFileCreate::kOpenExisting; break;
  }
  SharedFileHandle handle = OpenSharedFile(kCurrentDirectory, native, request);
  if (handle.handle == kNoFile) SetLastError(OpenError(GetLastError(), native));
  created = handle.created;
  return handle.handle;
}

}  // namespace

FileStream::~FileStream() {
  if (handle_ != kNoFile) CloseQuietly(handle_);
}

FileStream::FileStream(FileStream&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoFile)),
      created_(other.created_),
      native_path_(std::move(other.native_path_)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
  if (this != &other) {
    if (handle_ != kNoFile) CloseQuietly(handle_);
    handle_ = std::exchange(other.handle_, kNoFile);
    created_ = other.created_;
    native_path_ = std::move(other.native_path_);
  }
  return *this;
}

bool FileStream::Open(std::string_view path, FileOpenMode mode, FileShare share, FilePlace place) {
  if (handle_ != kNoFile) Close();
  created_ = false;
  std::string native = MapPath(path);
  bool created = false;
  const FileHandle handle = place == FilePlace::kShared || mode == FileOpenMode::kCreateNew
                                ? OpenInSharedPlace(native, mode, created)
                                : OpenTrusted(native, mode, created);
  if (handle == kNoFile) return false;
  const int fd = Descriptor(handle);
  int lock = share == FileShare::kExclusive ? LOCK_EX : LOCK_SH;
  while (::flock(fd, lock | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    std::uint32_t code =
        errno == EWOULDBLOCK ? kErrorSharingViolation : WindowsErrorFromErrno(errno);
    CloseQuietly(handle);
    SetLastError(code);
    return false;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);  // a regular file: plain reads
  if (Flags(mode) & O_TRUNC) {
    if (const std::uint32_t code = CurrentFileCalls().SetSize(handle, 0)) {
      SetLastError(code);
      CloseQuietly(handle);
      return false;
    }
  }
  handle_ = handle;
  created_ = created;
  native_path_ = std::move(native);
  return true;
}

bool FileStream::TakeAccessOf(const FileStream& original) {
  struct stat st {};
  if (!created_ || ::fstat(Descriptor(original.handle_), &st) != 0) {
    SetLastError(created_ ? WindowsErrorFromErrno(errno) : kErrorAccessDenied);
    return false;
  }
  // Only root may give a file away; anyone may pass it to a group of theirs.
  if (::fchown(Descriptor(handle_), st.st_uid, st.st_gid) != 0 &&
      ::fchown(Descriptor(handle_), static_cast<uid_t>(-1), st.st_gid) != 0) {
    // The file stays ours; its permissions below still say who else may use it.
  }
  if (::fchmod(Descriptor(handle_), st.st_mode & 07777) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

std::int64_t FileStream::Size() const {
  struct stat st {};
  if (::fstat(Descriptor(handle_), &st) != 0) {
    SetLastErrorFromErrno();
    return -1;
  }
  return st.st_size;
}

std::int64_t FileStream::Position() const {
  std::uint64_t position = 0;
  if (const std::uint32_t code =
          CurrentFileCalls().Seek(handle_, 0, SeekOrigin::kCurrent, position)) {
    SetLastError(code);
    return -1;
  }
  return static_cast<std::int64_t>(position);
}

bool FileStream::Seek(std::int64_t position) {
  std::uint64_t at = 0;
  if (const std::uint32_t code =
          CurrentFileCalls().Seek(handle_, position, SeekOrigin::kBegin, at)) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool FileStream::SeekToEnd() {
  std::uint64_t at = 0;
  if (const std::uint32_t code = CurrentFileCalls().Seek(handle_, 0, SeekOrigin::kEnd, at)) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool FileStream::Read(void* buffer, std::size_t size, std::size_t& done) {
  if (const std::uint32_t code = CurrentFileCalls().Read(handle_, buffer, size, done)) {
    SetLastError(code);
    return false;
  }
  return true;
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
    if (const std::uint32_t code = calls.Write(handle_, &buffer, 1, written)) {
      SetLastError(code);
      return false;
    }
    p += written;
    size -= written;
  }
  return true;
}

bool FileStream::SetSize(std::int64_t size) {
  if (size < 0) {
    SetLastError(kErrorInvalidParameter);
    return false;
  }
  if (const std::uint32_t code =
          CurrentFileCalls().SetSize(handle_, static_cast<std::uint64_t>(size))) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool FileStream::Flush() {
  if (const std::uint32_t code = CurrentFileCalls().Sync(handle_)) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool FileStream::Close() {
  if (handle_ == kNoFile) return true;
  const FileHandle handle = std::exchange(handle_, kNoFile);
  if (const std::uint32_t code = CurrentFileCalls().Close(handle)) {
    SetLastError(code);
    return false;
  }
  return true;
}

}  // namespace kvr::platform
