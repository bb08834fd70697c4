// FileHandle and the HANDLE it stands for (this port's own; no code above includes it).
#pragma once

#include "platform/file_handle.h"
#include "platform/windows/win32.h"

namespace kvr::platform {

inline HANDLE NativeHandle(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }
inline FileHandle HandleOf(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE
             ? kNoFile
             : static_cast<FileHandle>(reinterpret_cast<intptr_t>(handle));
}

// Closes a system handle when the scope ends.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedHandle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  }
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace kvr::platform
