// The POSIX file calls: open(2), writev(2), read(2), lseek(2), ftruncate(2), fsync(2),
// linkat(2), close(2), rename(2), unlink(2).
#include "platform/file_calls.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

#include "platform/posix/descriptor.h"
#include "platform/posix/errno_codes.h"

namespace kvr::platform {
namespace {

class PosixFileCalls final : public FileCalls {
 public:
  std::uint32_t Open(const FileOpenCall& call, FileHandle& handle) override {
    int fd;
    do {
      fd = ::openat(Descriptor(call.directory), call.path.c_str(), call.flags, call.mode);
    } while (fd < 0 && errno == EINTR);
    handle = HandleOf(fd);
    return fd < 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }

  std::uint32_t Write(FileHandle handle, const WriteBuffer* buffers, std::size_t count,
                      std::size_t& written) override {
    static_assert(sizeof(WriteBuffer) == sizeof(iovec));  // same layout: no copy
    const int batch = static_cast<int>(count < IOV_MAX ? count : IOV_MAX);
    ssize_t n;
    do {
      n = ::writev(Descriptor(handle), reinterpret_cast<const iovec*>(buffers), batch);
    } while (n < 0 && errno == EINTR);
    written = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n < 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }

  std::uint32_t Read(FileHandle handle, void* buffer, std::size_t size,
                     std::size_t& done) override {
    ssize_t n;
    do {
      n = ::read(Descriptor(handle), buffer, size);
    } while (n < 0 && errno == EINTR);
    done = n > 0 ? static_cast<std::size_t>(n) : 0;
    return n < 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }

  std::uint32_t Seek(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                     std::uint64_t& position) override {
    const int whence = origin == SeekOrigin::kBegin ? SEEK_SET
                       : origin == SeekOrigin::kEnd ? SEEK_END
                                                    : SEEK_CUR;
    const off_t at = ::lseek(Descriptor(handle), static_cast<off_t>(offset), whence);
    if (at < 0) return WindowsErrorFromErrno(errno);
    position = static_cast<std::uint64_t>(at);
    return kErrorSuccess;
  }

  std::uint32_t SetSize(FileHandle handle, std::uint64_t size) override {
    int result;
    do {
      result = ::ftruncate(Descriptor(handle), static_cast<off_t>(size));
    } while (result != 0 && errno == EINTR);
    return result != 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }

  std::uint32_t Sync(FileHandle handle) override {
    return ::fsync(Descriptor(handle)) != 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }

  std::uint32_t SyncDirectory(const std::string& directory) override {
    const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return WindowsErrorFromErrno(errno);
    // Some file systems cannot sync a directory (EINVAL); their entries need no sync.
    const std::uint32_t error =
        ::fsync(fd) != 0 && errno != EINVAL ? WindowsErrorFromErrno(errno) : kErrorSuccess;
    ::close(fd);
    return error;
  }

  std::uint32_t Close(FileHandle handle) override {
    // close(2) is not retried on EINTR: the descriptor is gone either way on Linux.
    return ::close(Descriptor(handle)) != 0 && errno != EINTR ? WindowsErrorFromErrno(errno)
                                                              : kErrorSuccess;
  }

  std::uint32_t Rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) != 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }

  std::uint32_t Delete(const std::string& path) override {
    return ::unlink(path.c_str()) != 0 ? WindowsErrorFromErrno(errno) : kErrorSuccess;
  }
};

}  // namespace

FileCalls& PortFileCalls() {
  static PosixFileCalls calls;
  return calls;
}

}  // namespace kvr::platform
