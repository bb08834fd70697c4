#include "platform/windows/regular_file.h"

#include "platform/system_error.h"

namespace kvr::platform {

std::uint32_t CheckRegularFile(HANDLE handle, LinkCheck links) {
  if (::GetFileType(handle) != FILE_TYPE_DISK) return kErrorAccessDenied;
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(handle, &info)) return ::GetLastError();
  const DWORD odd = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;
  if (info.dwFileAttributes & odd) return kErrorAccessDenied;
  if (links == LinkCheck::kSingleLink && info.nNumberOfLinks != 1) return kErrorAccessDenied;
  return kErrorSuccess;
}

}  // namespace kvr::platform
