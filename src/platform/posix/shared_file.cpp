#include "platform/shared_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_calls.h"
#include "platform/posix/errno_codes.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

static_assert(kCurrentDirectory == AT_FDCWD);

// O_NONBLOCK keeps a planted FIFO from blocking the open; it is cleared once the file is known
// to be a regular one.
constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

SharedFileHandle Fail(int fd, std::uint32_t code) {
  if (fd >= 0) CurrentFileCalls().Close(fd);
  SetLastError(code);
  return {};
}

// A symbolic link under the name is refused like a file we may not use.
std::uint32_t Refused(std::uint32_t code) {
  return code == kErrorCantResolveFilename ? kErrorAccessDenied : code;
}

}  // namespace

SharedFileHandle OpenSharedFile(int directory_fd, const std::string& name,
                                const SharedFileRequest& request) {
  FileCalls& calls = CurrentFileCalls();
  const FileOpenCall create{directory_fd, name, kFlags | O_CREAT | O_EXCL, request.create_mode};
  const FileOpenCall open{directory_fd, name, kFlags, 0};
  SharedFileHandle handle;
  // A file removed between the two opens is simply created on the next round.
  for (int round = 0; round < 16 && handle.fd < 0; ++round) {
    if (request.create == SharedFileCreate::kOpenExisting) {
      if (const std::uint32_t code = calls.Open(open, handle.fd)) return Fail(-1, Refused(code));
      break;
    }
    std::uint32_t code = calls.Open(create, handle.fd);
    if (code == kErrorSuccess) {
      handle.created = true;
      break;
    }
    if (code != kErrorAlreadyExists) return Fail(-1, Refused(code));
    if (request.create == SharedFileCreate::kCreateNew) return Fail(-1, kErrorFileExists);
    code = calls.Open(open, handle.fd);
    if (code != kErrorSuccess && code != kErrorFileNotFound) return Fail(-1, Refused(code));
  }
  if (handle.fd < 0) return Fail(-1, kErrorAccessDenied);
  struct stat st{};
  if (::fstat(handle.fd, &st) != 0) return Fail(handle.fd, WindowsErrorFromErrno(errno));
  const bool foreign = request.owner == SharedFileOwner::kThisAccount && st.st_uid != ::geteuid();
  if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || foreign)
    return Fail(handle.fd, kErrorAccessDenied);
  // The umask must not narrow a file that other accounts are meant to open.
  if (handle.created && ::fchmod(handle.fd, request.create_mode) != 0)
    return Fail(handle.fd, WindowsErrorFromErrno(errno));
  ::fcntl(handle.fd, F_SETFL, ::fcntl(handle.fd, F_GETFL) & ~O_NONBLOCK);
  return handle;
}

}  // namespace kvr::platform
