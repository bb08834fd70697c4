#include "platform/file_kind.h"

#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

bool IsNonRegularFile(std::string_view path) {
  const DWORD attributes = ::GetFileAttributesW(WideText(MapPath(path)).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
    return false;
  SetLastError(kErrorAccessDenied);
  return true;
}

}  // namespace kvr::platform
