// Files in shared places on Windows: a link under the name is opened as itself (never followed)
// and refused, and so is anything but a regular file with a single name. Access is the
// directory's: permissions are not set per file, and the temporary directory is the account's
// own, so the owner is not checked.
#include "platform/shared_file.h"

#include "platform/system_error.h"
#include "platform/windows/handle.h"
#include "platform/windows/open_flags.h"
#include "platform/windows/regular_file.h"
#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

constexpr int kBits = kOpenRead | kOpenWrite | kShareAll | kOpenNoReparse;

SharedFileHandle Fail(FileHandle handle, std::uint32_t code) {
  if (handle != kNoFile) CurrentFileCalls().Close(handle);
  SetLastError(code);
  return {};
}

}  // namespace

SharedFileHandle OpenSharedFile(FileHandle directory, const std::string& name,
                                const SharedFileRequest& request) {
  if (directory != kCurrentDirectory) return Fail(kNoFile, kErrorInvalidParameter);
  FileCalls& calls = CurrentFileCalls();
  SharedFileHandle handle;
  std::uint32_t code = kErrorSuccess;
  switch (request.create) {
    case SharedFileCreate::kOpenExisting:
      code = calls.Open({directory, name, OpenFlags(OPEN_EXISTING, kBits), 0}, handle.handle);
      break;
    case SharedFileCreate::kCreateNew:
      code = calls.Open({directory, name, OpenFlags(CREATE_NEW, kBits), 0}, handle.handle);
      if (code == kErrorAlreadyExists) code = kErrorFileExists;
      handle.created = code == kErrorSuccess;
      break;
    case SharedFileCreate::kOpenOrCreate:
      code = calls.Open({directory, name, OpenFlags(OPEN_ALWAYS, kBits), 0}, handle.handle);
      // OPEN_ALWAYS tells an existing file by ERROR_ALREADY_EXISTS on a successful open.
      handle.created = code == kErrorSuccess && ::GetLastError() != ERROR_ALREADY_EXISTS;
      break;
  }
  if (code != kErrorSuccess) return Fail(kNoFile, code);
  if (const std::uint32_t refused =
          CheckRegularFile(NativeHandle(handle.handle), LinkCheck::kSingleLink))
    return Fail(handle.handle, refused);
  return handle;
}

}  // namespace kvr::platform
