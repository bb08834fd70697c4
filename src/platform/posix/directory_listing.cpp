#include "platform/directory_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/posix/errno_codes.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

class DirHandle {
 public:
  explicit DirHandle(const std::string& path) : dir_(::opendir(path.c_str())) {}
  ~DirHandle() {
    if (dir_) ::closedir(dir_);
  }
  DirHandle(const DirHandle&) = delete;
  DirHandle& operator=(const DirHandle&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

}  // namespace

std::vector<std::string> ListFileNames(std::string_view directory) {
  std::string native = MapPath(directory);
  if (native.empty()) native.assign(1, '.');
  std::vector<std::string> names;
  DirHandle dir(native);
  if (!dir.get()) {
    SetLastErrorFromErrno();
    return names;
  }
  while (dirent* entry = ::readdir(dir.get())) {
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st {};
      std::string full = native;
      full.append("/").append(entry->d_name);
      regular = ::stat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    if (regular) names.emplace_back(entry->d_name);
  }
  return names;
}

}  // namespace kvr::platform
