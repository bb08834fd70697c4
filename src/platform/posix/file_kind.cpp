#include "platform/file_kind.h"

#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr::platform {

bool IsNonRegularFile(std::string_view path) {
  struct stat st {};
  if (::stat(MapPath(path).c_str(), &st) != 0 || S_ISREG(st.st_mode)) return false;
  SetLastError(kErrorAccessDenied);
  return true;
}

}  // namespace kvr::platform
