// Windows-style error codes for the platform layer. Every platform function that fails sets
// the calling thread's last error to the Windows code that stands for the POSIX error, so the
// system's messages ("... %s" with the system's message for the last error) read the same.
#pragma once

#include <cstdint>
#include <string>

namespace kvr::platform {

constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorInvalidHandle = 6;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorLockViolation = 33;
constexpr std::uint32_t kErrorFileExists = 80;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorBufferOverflow = 111;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInvalidName = 123;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorFilenameExcedRange = 206;
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorCantResolveFilename = 1921;
// Our own code (the customer bit set): the lock directory cannot be trusted.
constexpr std::uint32_t kErrorUnsafeLockDirectory = 0x20000001;

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);
// The system's message for an error code, without a trailing period (Windows-1251 text).
std::string SysErrorMessage(std::uint32_t code);

}  // namespace kvr::platform
