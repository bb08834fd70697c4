#include "platform/shared_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/system_error.h"

namespace kvr::platform {
namespace {

static_assert(kCurrentDirectory == AT_FDCWD);

// O_NONBLOCK keeps a planted FIFO from blocking the open; it is cleared once the file is known
// to be a regular one.
constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

SharedFileHandle Fail(int fd, std::uint32_t code) {
  if (fd >= 0) ::close(fd);
  SetLastError(code);
  return {};
}

std::uint32_t OpenError(int err) {
  // ELOOP: the name is a symbolic link. ENXIO: a FIFO or socket without a reader.
  if (err == ELOOP || err == ENXIO) return kErrorAccessDenied;
  return WindowsErrorFromErrno(err);
}

}  // namespace

SharedFileHandle OpenSharedFile(int directory_fd, const std::string& name,
                                const SharedFileRequest& request) {
  SharedFileHandle handle;
  // A file removed between the two opens is simply created on the next round.
  for (int round = 0; round < 16 && handle.fd < 0; ++round) {
    if (request.create == SharedFileCreate::kOpenExisting) {
      handle.fd = ::openat(directory_fd, name.c_str(), kFlags);
      if (handle.fd < 0) return Fail(-1, OpenError(errno));
      break;
    }
    handle.fd = ::openat(directory_fd, name.c_str(), kFlags | O_CREAT | O_EXCL, request.create_mode);
    if (handle.fd >= 0) {
      handle.created = true;
      break;
    }
    if (errno != EEXIST) return Fail(-1, OpenError(errno));
    if (request.create == SharedFileCreate::kCreateNew) return Fail(-1, kErrorFileExists);
    handle.fd = ::openat(directory_fd, name.c_str(), kFlags);
    if (handle.fd < 0 && errno != ENOENT) return Fail(-1, OpenError(errno));
  }
  if (handle.fd < 0) return Fail(-1, kErrorAccessDenied);
  struct stat st{};
  if (::fstat(handle.fd, &st) != 0) return Fail(handle.fd, SetLastErrorFromErrno());
  const bool foreign = request.owner == SharedFileOwner::kThisAccount && st.st_uid != ::geteuid();
  if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || foreign)
    return Fail(handle.fd, kErrorAccessDenied);
  // The umask must not narrow a file that other accounts are meant to open.
  if (handle.created && ::fchmod(handle.fd, request.create_mode) != 0)
    return Fail(handle.fd, SetLastErrorFromErrno());
  ::fcntl(handle.fd, F_SETFL, ::fcntl(handle.fd, F_GETFL) & ~O_NONBLOCK);
  return handle;
}

}  // namespace kvr::platform
