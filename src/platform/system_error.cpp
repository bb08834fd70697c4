#include "platform/system_error.h"

namespace kvr::platform {
namespace {
thread_local std::uint32_t t_last_error = 0;
}

std::uint32_t GetLastError() { return t_last_error; }
void SetLastError(std::uint32_t code) { t_last_error = code; }

std::string SysErrorMessage(std::uint32_t code) {
  switch (code) {
    case kErrorSuccess: return "The operation completed successfully";
    case kErrorFileNotFound: return "The system cannot find the file specified";
    case kErrorPathNotFound: return "The system cannot find the path specified";
    case kErrorAccessDenied: return "Access is denied";
    case kErrorInvalidHandle: return "The handle is invalid";
    case kErrorNotEnoughMemory: return "Not enough storage is available to process this command";
    case kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process";
    case kErrorLockViolation:
      return "The process cannot access the file because another process has locked a portion of "
             "the file";
    case kErrorFileExists: return "The file exists";
    case kErrorInvalidParameter: return "The parameter is incorrect";
    case kErrorBufferOverflow: return "The file name is too long";
    case kErrorDiskFull: return "There is not enough space on the disk";
    case kErrorInvalidName:
      return "The filename, directory name, or volume label syntax is incorrect";
    case kErrorModNotFound: return "The specified module could not be found";
    case kErrorProcNotFound: return "The specified procedure could not be found";
    case kErrorDirNotEmpty: return "The directory is not empty";
    case kErrorAlreadyExists: return "Cannot create a file when that file already exists";
    case kErrorFilenameExcedRange: return "The filename or extension is too long";
    case kErrorGenFailure: return "A device attached to the system is not functioning";
    case kErrorCantResolveFilename: return "The name of the file cannot be resolved by the system";
    case kErrorUnsafeLockDirectory:
      return "The lock directory is owned by another account or writable by others without the "
             "sticky bit";
    default: return "System error.  Code: " + std::to_string(code);
  }
}

}  // namespace kvr::platform
