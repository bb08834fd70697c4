#include "log/log_rotation.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/format_text.h"
#include "platform/directory_listing.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/system_error.h"

namespace kvr::log {
namespace {

struct OldFile {
  int number;
  std::string path;
};

// The number that follows `base` in `name`, or -1 when `name` is not an old file of it.
int BackupNumber(std::string_view name, std::string_view base) {
  if (name.size() <= base.size() || !codepage::AnsiSameText(name.substr(0, base.size()), base))
    return -1;
  std::string_view digits = name.substr(base.size());
  if (digits.size() > 9) return -1;
  int number = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return -1;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::vector<OldFile> ListOldFiles(std::string_view file_name) {
  const std::string dir = platform::ExtractFilePath(file_name);
  const std::string base = platform::ExtractFileName(file_name);
  std::vector<OldFile> files;
  for (const std::string& name : platform::ListFileNames(dir.empty() ? std::string(".") : dir)) {
    int number = BackupNumber(name, base);
    if (number >= 0) files.push_back({number, dir + name});
  }
  std::sort(files.begin(), files.end(),
            [](const OldFile& a, const OldFile& b) { return a.number < b.number; });
  return files;
}

[[noreturn]] void RaiseLastError(std::string message) {
  std::uint32_t code = platform::GetLastError();
  throw EOSError(message + ". " + platform::SysErrorMessage(code), code);
}

void Rename(const std::string& from, const std::string& to) {
  if (!platform::RenameFile(from, to))
    RaiseLastError("Cannot rename file \"" + platform::MapPath(from) + "\" to \"" +
                   platform::MapPath(to) + "\"");
}

}  // namespace

void RotateLogFiles(std::string_view file_name, int max_backups) {
  std::vector<OldFile> files = ListOldFiles(file_name);
  if (max_backups > 0) {
    while (files.size() > static_cast<std::size_t>(max_backups)) {
      if (!platform::DeleteFile(files.back().path))
        RaiseLastError("Cannot delete file \"" + platform::MapPath(files.back().path) + "\"");
      files.pop_back();
    }
  }
  const std::string name(file_name);
  for (auto it = files.rbegin(); it != files.rend(); ++it)
    Rename(it->path, name + Format("%.3d", {it->number + 1}));
  Rename(name, name + "000");
}

}  // namespace kvr::log
