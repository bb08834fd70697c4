#include "platform/posix/errno_codes.h"

#include <cerrno>

namespace kvr::platform {

std::uint32_t WindowsErrorFromErrno(int err) {
  switch (err) {
    case 0: return kErrorSuccess;
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EBADF: return kErrorInvalidHandle;
    case ENOMEM: return kErrorNotEnoughMemory;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    case EAGAIN: return kErrorLockViolation;
    case EEXIST: return kErrorAlreadyExists;
    case EINVAL: return kErrorInvalidParameter;
    case ENOSPC:
    case EDQUOT: return kErrorDiskFull;
    case ENAMETOOLONG: return kErrorFilenameExcedRange;
    case ENOTEMPTY: return kErrorDirNotEmpty;
    case EILSEQ: return kErrorInvalidName;
    case ELOOP: return kErrorCantResolveFilename;
    default: return kErrorGenFailure;
  }
}

std::uint32_t SetLastErrorFromErrno() {
  std::uint32_t code = WindowsErrorFromErrno(errno);
  SetLastError(code);
  return code;
}

}  // namespace kvr::platform
