// The POSIX file calls: open(2), writev(2), close(2), rename(2), unlink(2).
#include "platform/file_calls.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

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
