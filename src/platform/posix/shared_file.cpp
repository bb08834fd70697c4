#include "platform/shared_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/file_calls.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/errno_codes.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

// O_NONBLOCK keeps a planted FIFO from blocking the open; it is cleared once the file is known
// to be a regular one.
constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

SharedFileHandle Fail(FileHandle handle, std::uint32_t code) {
  if (handle != kNoFile) CurrentFileCalls().Close(handle);
  SetLastError(code);
  return {};
}

// A symbolic link under the name is refused like a file we may not use.
std::uint32_t Refused(std::uint32_t code) {
  return code == kErrorCantResolveFilename ? kErrorAccessDenied : code;
}

}  // namespace

SharedFileHandle OpenSharedFile(FileHandle directory, const std::string& name,
                                const SharedFileRequest& request) {
  FileCalls& calls = CurrentFileCalls();
  const FileOpenCall create{directory, name, kFlags | O_CREAT | O_EXCL, request.create_mode};
  const FileOpenCall open{directory, name, kFlags, 0};
  SharedFileHandle handle;
  // A file removed between the two opens is simply created on the next round.
  for (int round = 0; round < 16 && handle.handle == kNoFile; ++round) {
    if (request.create == SharedFileCreate::kOpenExisting) {
      if (const std::uint32_t code = calls.Open(open, handle.handle))
        return Fail(kNoFile, Refused(code));
      break;
    }
    std::uint32_t code = calls.Open(create, handle.handle);
    if (code == kErrorSuccess) {
      handle.created = true;
      break;
    }
    if (code != kErrorAlreadyExists) return Fail(kNoFile, Refused(code));
    if (request.create == SharedFileCreate::kCreateNew) return Fail(kNoFile, kErrorFileExists);
    code = calls.Open(open, handle.handle);
    if (code != kErrorSuccess && code != kErrorFileNotFound) return Fail(kNoFile, Refused(code));
  }
  if (handle.handle == kNoFile) return Fail(kNoFile, kErrorAccessDenied);
  const int fd = Descriptor(handle.handle);
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Fail(handle.handle, WindowsErrorFromErrno(errno));
  const bool foreign = request.owner == SharedFileOwner::kThisAccount && st.st_uid != ::geteuid();
  if (!S_ISREG(st.st_mode) || st.st_nlink != 1 || foreign)
    return Fail(handle.handle, kErrorAccessDenied);
  // The umask must not narrow a file that other accounts are meant to open.
  if (handle.created && ::fchmod(fd, request.create_mode) != 0)
    return Fail(handle.handle, WindowsErrorFromErrno(errno));
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return handle;
}

}  // namespace kvr::platform
