#include "platform/directory_listing.h"

#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

std::vector<std::string> ListFileNames(std::string_view directory) {
  std::string pattern = MapPath(directory);
  if (pattern.empty()) pattern = ".";
  pattern = IncludeTrailingPathDelimiter(pattern) + "*";
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW(WideText(pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) {
    // An empty directory still lists "." and ".."; failing here means it cannot be read.
    SetLastErrorFromSystem();
    return names;
  }
  do {
    if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
      names.push_back(NarrowText(found.cFileName, wcslen(found.cFileName)));
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return names;
}

}  // namespace kvr::platform
