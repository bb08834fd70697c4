// The part of NewFile that every port shares: writing and syncing go through the file calls.
#include "platform/new_file.h"

#include "platform/file_calls.h"
#include "platform/system_error.h"

namespace kvr::platform {

bool NewFile::Write(std::span<const std::string_view> pieces) {
  if (handle_ == kNoFile) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  if (const std::uint32_t error = WritePieces(CurrentFileCalls(), handle_, pieces)) {
    SetLastError(error);
    return false;
  }
  return true;
}

bool NewFile::WriteAt(std::uint64_t offset, std::span<const std::string_view> pieces) {
  std::uint64_t position = 0;
  if (handle_ != kNoFile) {
    if (const std::uint32_t error = CurrentFileCalls().Seek(
            handle_, static_cast<std::int64_t>(offset), SeekOrigin::kBegin, position)) {
      SetLastError(error);
      return false;
    }
  }
  return Write(pieces);
}

bool NewFile::Sync() {
  if (handle_ == kNoFile) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  if (const std::uint32_t error = CurrentFileCalls().Sync(handle_)) {
    SetLastError(error);
    return false;
  }
  return true;
}

}  // namespace kvr::platform
