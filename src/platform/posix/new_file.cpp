#include "platform/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_calls.h"
#include "platform/paths.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/errno_codes.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

// With O_CREAT|O_EXCL a missing entry can only be a directory of the path, and a symbolic
// link under the name is an entry that exists.
std::uint32_t CreateError(std::uint32_t error) {
  if (error == kErrorAlreadyExists || error == kErrorCantResolveFilename) return kErrorFileExists;
  return error == kErrorFileNotFound ? kErrorPathNotFound : error;
}

std::string DirectoryOf(const std::string& native) {
  const std::size_t slash = native.rfind('/');
  return slash == std::string::npos ? "." : native.substr(0, slash + 1);
}

}  // namespace

// Every call that changes the file goes through CurrentFileCalls(), so that tests can make each
// of them fail; only fstat, fcntl and the write-back hint are this port's own.
NewFile::~NewFile() {
  if (handle_ != kNoFile) CurrentFileCalls().Close(handle_);
}

bool NewFile::Create(std::string_view path) {
  if (handle_ != kNoFile) Close();
  native_path_ = MapPath(path);
  FileHandle handle = kNoFile;
  const std::uint32_t error = CurrentFileCalls().Open(
      {kCurrentDirectory, native_path_, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666},
      handle);
  if (error != kErrorSuccess) {
    SetLastError(CreateError(error));
    return false;
  }
  struct stat st {};
  if (::fstat(Descriptor(handle), &st) != 0 || !S_ISREG(st.st_mode)) {
    CurrentFileCalls().Close(handle);
    SetLastError(kErrorAccessDenied);
    return false;
  }
  handle_ = handle;
  return true;
}

bool NewFile::SetBypassCache(bool bypass) {
  if (handle_ == kNoFile) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  const int fd = Descriptor(handle_);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, bypass ? flags | O_DIRECT : flags & ~O_DIRECT) < 0) {
    SetLastErrorFromErrno();
    return false;
  }
  return true;
}

void NewFile::StartWriteback() {
#ifdef __linux__
  if (handle_ != kNoFile) ::sync_file_range(Descriptor(handle_), 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

bool NewFile::Close() {
  if (handle_ == kNoFile) return true;
  const FileHandle handle = std::exchange(handle_, kNoFile);
  const std::uint32_t error = CurrentFileCalls().Close(handle);
  if (error == kErrorSuccess) return true;
  SetLastError(error);
  return false;
}

bool ReplaceFileByRename(std::string_view from, std::string_view to) {
  const std::string target = MapPath(to);
  const std::uint32_t error = CurrentFileCalls().Rename(MapPath(from), target);
  if (error != kErrorSuccess) {
    SetLastError(error);
    return false;
  }
  // The file is in place either way; durability of the entry is best effort.
  CurrentFileCalls().SyncDirectory(DirectoryOf(target));
  return true;
}

}  // namespace kvr::platform
