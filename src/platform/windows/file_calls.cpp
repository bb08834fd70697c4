// The Windows file calls: CreateFileW, WriteFile, ReadFile, SetFilePointerEx, SetEndOfFile,
// FlushFileBuffers, CloseHandle, MoveFileExW, DeleteFileW.
#include "platform/file_calls.h"

#include <limits>
#include <string>

#include "platform/system_error.h"
#include "platform/windows/handle.h"
#include "platform/windows/open_flags.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

// ReadFile and WriteFile take a DWORD count: larger requests go in parts of this size.
constexpr std::size_t kMaxChunk = std::numeric_limits<DWORD>::max() / 2;

DWORD Chunk(std::size_t size) { return static_cast<DWORD>(size < kMaxChunk ? size : kMaxChunk); }

class WindowsFileCalls final : public FileCalls {
 public:
  std::uint32_t Open(const FileOpenCall& call, FileHandle& handle) override {
    // Relative paths start in the current directory; the port opens no directory handles.
    DWORD access = 0;
    if (call.flags & kOpenRead) access |= GENERIC_READ;
    if (call.flags & kOpenWrite) access |= GENERIC_WRITE;
    const DWORD share =
        call.flags & kShareAll ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE : 0;
    DWORD attributes = FILE_ATTRIBUTE_NORMAL;
    if (call.flags & kOpenNoReparse) attributes |= FILE_FLAG_OPEN_REPARSE_POINT;
    if (call.flags & kOpenWriteThrough) attributes |= FILE_FLAG_WRITE_THROUGH;
    // The handle is not inherited by child processes (null security attributes).
    const HANDLE h =
        ::CreateFileW(WideText(call.path).c_str(), access, share, nullptr,
                      static_cast<DWORD>(call.flags & kDispositionMask), attributes, nullptr);
    handle = HandleOf(h);
    return h == INVALID_HANDLE_VALUE ? ::GetLastError() : kErrorSuccess;
  }

  std::uint32_t Write(FileHandle handle, const WriteBuffer* buffers, std::size_t count,
                      std::size_t& written) override {
    // WriteFile has no gathered form for ordinary handles: one buffer after another, stopping
    // at a short write so that the caller resumes where it ended.
    written = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const char* data = static_cast<const char*>(buffers[i].data);
      std::size_t left = buffers[i].size;
      while (left > 0) {
        const DWORD chunk = Chunk(left);
        DWORD done = 0;
        if (!::WriteFile(NativeHandle(handle), data, chunk, &done, nullptr))
          return written > 0 ? kErrorSuccess : ::GetLastError();
        written += done;
        if (done < chunk) return kErrorSuccess;
        data += done;
        left -= done;
      }
    }
    return kErrorSuccess;
  }

  std::uint32_t Read(FileHandle handle, void* buffer, std::size_t size,
                     std::size_t& done) override {
    DWORD n = 0;
    const BOOL ok = ::ReadFile(NativeHandle(handle), buffer, Chunk(size), &n, nullptr);
    done = ok ? n : 0;
    return ok ? kErrorSuccess : ::GetLastError();
  }

  std::uint32_t Seek(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                     std::uint64_t& position) override {
    const DWORD method = origin == SeekOrigin::kBegin ? FILE_BEGIN
                         : origin == SeekOrigin::kEnd ? FILE_END
                                                      : FILE_CURRENT;
    LARGE_INTEGER to{};
    to.QuadPart = offset;
    LARGE_INTEGER at{};
    if (!::SetFilePointerEx(NativeHandle(handle), to, &at, method)) return ::GetLastError();
    position = static_cast<std::uint64_t>(at.QuadPart);
    return kErrorSuccess;
  }

  // SetEndOfFile cuts or extends at the file pointer: move it there and put it back after.
  std::uint32_t SetSize(FileHandle handle, std::uint64_t size) override {
    if (size > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max()))
      return kErrorInvalidParameter;
    const HANDLE h = NativeHandle(handle);
    LARGE_INTEGER zero{}, kept{}, to{};
    if (!::SetFilePointerEx(h, zero, &kept, FILE_CURRENT)) return ::GetLastError();
    to.QuadPart = static_cast<LONGLONG>(size);
    if (!::SetFilePointerEx(h, to, nullptr, FILE_BEGIN)) return ::GetLastError();
    const std::uint32_t error = ::SetEndOfFile(h) ? kErrorSuccess : ::GetLastError();
    ::SetFilePointerEx(h, kept, nullptr, FILE_BEGIN);
    return error;
  }

  std::uint32_t Sync(FileHandle handle) override {
    return ::FlushFileBuffers(NativeHandle(handle)) ? kErrorSuccess : ::GetLastError();
  }

  // NTFS puts a directory's entries on the disk itself (renames here are write-through).
  std::uint32_t SyncDirectory(const std::string&) override { return kErrorSuccess; }

  std::uint32_t Close(FileHandle handle) override {
    return ::CloseHandle(NativeHandle(handle)) ? kErrorSuccess : ::GetLastError();
  }

  std::uint32_t Rename(const std::string& from, const std::string& to) override {
    // Write-through: the call returns once the new name is on the disk.
    return ::MoveFileExW(WideText(from).c_str(), WideText(to).c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? kErrorSuccess
               : ::GetLastError();
  }

  std::uint32_t Delete(const std::string& path) override {
    return ::DeleteFileW(WideText(path).c_str()) ? kErrorSuccess : ::GetLastError();
  }
};

}  // namespace

FileCalls& PortFileCalls() {
  static WindowsFileCalls calls;
  return calls;
}

}  // namespace kvr::platform
