// NewFile on Windows: CREATE_NEW never opens an entry that exists, a link included; writes past
// the cache that can be switched on an open handle do not exist here, so that call says it
// cannot and the callers take their ordinary path. Every call that changes the file goes
// through CurrentFileCalls(), so that tests can make each of them fail.
#include "platform/new_file.h"

#include <utility>

#include "platform/file_calls.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/windows/handle.h"
#include "platform/windows/open_flags.h"
#include "platform/windows/regular_file.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

NewFile::~NewFile() {
  if (handle_ != kNoFile) CurrentFileCalls().Close(handle_);
}

bool NewFile::Create(std::string_view path) {
  if (handle_ != kNoFile) Close();
  native_path_ = MapPath(path);
  FileHandle handle = kNoFile;
  std::uint32_t error = CurrentFileCalls().Open(
      {kCurrentDirectory, native_path_, OpenFlags(CREATE_NEW, kOpenWrite | kOpenNoReparse), 0},
      handle);
  if (error == kErrorAlreadyExists) error = kErrorFileExists;
  if (error != kErrorSuccess) {
    SetLastError(error);
    return false;
  }
  if (const std::uint32_t refused = CheckRegularFile(NativeHandle(handle), LinkCheck::kAnyLinks)) {
    CurrentFileCalls().Close(handle);
    SetLastError(refused);
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
  if (!bypass) return true;
  SetLastError(kErrorInvalidParameter);
  return false;
}

void NewFile::StartWriteback() {}

bool NewFile::Close() {
  if (handle_ == kNoFile) return true;
  const FileHandle handle = std::exchange(handle_, kNoFile);
  const std::uint32_t error = CurrentFileCalls().Close(handle);
  if (error == kErrorSuccess) return true;
  SetLastError(error);
  return false;
}

// MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH (the port's Rename):
// replaced in one step, and on the disk when the call returns.
bool ReplaceFileByRename(std::string_view from, std::string_view to) {
  const std::string target = MapPath(to);
  if (const std::uint32_t error = CurrentFileCalls().Rename(MapPath(from), target)) {
    SetLastError(error);
    return false;
  }
  // A no-op in this port's own calls; kept so that the same calls happen on every system.
  const std::string directory = ExtractFilePath(target);
  CurrentFileCalls().SyncDirectory(directory.empty() ? "." : directory);
  return true;
}

}  // namespace kvr::platform
