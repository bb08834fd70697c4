// FileStream on CreateFileW: the share modes are the system's own, so an exclusive holder and
// other openers exclude each other as the header describes, without any lock of ours.
#include "platform/file_stream.h"

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
namespace {

DWORD Disposition(FileOpenMode mode) {
  switch (mode) {
    case FileOpenMode::kRead:
    case FileOpenMode::kReadWrite: return OPEN_EXISTING;
    case FileOpenMode::kCreate: return CREATE_ALWAYS;
    case FileOpenMode::kCreateOrOpen: return OPEN_ALWAYS;
    case FileOpenMode::kCreateNew: return CREATE_NEW;
  }
  return OPEN_EXISTING;
}

void CloseQuietly(FileHandle handle) { CurrentFileCalls().Close(handle); }

std::uint32_t Fail(std::uint32_t code) {
  SetLastError(code);
  return code;
}

}  // namespace

FileStream::~FileStream() {
  if (handle_ != kNoFile) CloseQuietly(handle_);
}

FileStream::FileStream(FileStream&& other) noexcept
    : handle_(std::exchange(other.handle_, kNoFile)),
      created_(other.created_),
      native_path_(std::move(other.native_path_)) {}

FileStream& FileStream::operator=(FileStream&& other) noexcept {
  if (this != &other) {
    if (handle_ != kNoFile) CloseQuietly(handle_);
    handle_ = std::exchange(other.handle_, kNoFile);
    created_ = other.created_;
    native_path_ = std::move(other.native_path_);
  }
  return *this;
}

bool FileStream::Open(std::string_view path, FileOpenMode mode, FileShare share, FilePlace place) {
  if (handle_ != kNoFile) Close();
  created_ = false;
  const bool shared = place == FilePlace::kShared || mode == FileOpenMode::kCreateNew;
  if (shared && mode == FileOpenMode::kCreate) {
    Fail(kErrorInvalidParameter);  // emptying a file there is never safe
    return false;
  }
  std::string native = MapPath(path);
  int bits = kOpenRead;
  if (mode != FileOpenMode::kRead) bits |= kOpenWrite;
  if (share == FileShare::kDenyNone) bits |= kShareAll;
  if (shared) bits |= kOpenNoReparse;
  const DWORD disposition = Disposition(mode);
  FileHandle handle = kNoFile;
  std::uint32_t code =
      CurrentFileCalls().Open({kCurrentDirectory, native, OpenFlags(disposition, bits), 0}, handle);
  // OPEN_ALWAYS and CREATE_ALWAYS tell an existing file by ERROR_ALREADY_EXISTS on success.
  const bool created = code == kErrorSuccess &&
                       (disposition == CREATE_NEW || ::GetLastError() != ERROR_ALREADY_EXISTS);
  if (code == kErrorAlreadyExists && disposition == CREATE_NEW) code = kErrorFileExists;
  if (code != kErrorSuccess) {
    Fail(code);
    return false;
  }
  if (const std::uint32_t refused = CheckRegularFile(
          NativeHandle(handle), shared ? LinkCheck::kSingleLink : LinkCheck::kAnyLinks)) {
    CloseQuietly(handle);
    Fail(refused);
    return false;
  }
  handle_ = handle;
  created_ = created && disposition != OPEN_EXISTING;
  native_path_ = std::move(native);
  return true;
}

// A file created beside the one it replaces has the directory's inherited permissions, which
// are the ones the original got there too.
bool FileStream::TakeAccessOf(const FileStream& original) {
  if (!created_ || original.handle_ == kNoFile) {
    Fail(kErrorAccessDenied);
    return false;
  }
  return true;
}

std::int64_t FileStream::Size() const {
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(NativeHandle(handle_), &size)) {
    SetLastErrorFromSystem();
    return -1;
  }
  return size.QuadPart;
}

std::int64_t FileStream::Position() const {
  std::uint64_t position = 0;
  if (const std::uint32_t code =
          CurrentFileCalls().Seek(handle_, 0, SeekOrigin::kCurrent, position)) {
    Fail(code);
    return -1;
  }
  return static_cast<std::int64_t>(position);
}

bool FileStream::Seek(std::int64_t position) {
  std::uint64_t at = 0;
  if (position < 0) {
    Fail(kErrorInvalidParameter);
    return false;
  }
  if (const std::uint32_t code =
          CurrentFileCalls().Seek(handle_, position, SeekOrigin::kBegin, at)) {
    Fail(code);
    return false;
  }
  return true;
}

bool FileStream::SeekToEnd() {
  std::uint64_t at = 0;
  if (const std::uint32_t code = CurrentFileCalls().Seek(handle_, 0, SeekOrigin::kEnd, at)) {
    Fail(code);
    return false;
  }
  return true;
}

bool FileStream::Read(void* buffer, std::size_t size, std::size_t& done) {
  if (const std::uint32_t code = CurrentFileCalls().Read(handle_, buffer, size, done)) {
    Fail(code);
    return false;
  }
  return true;
}

bool FileStream::ReadExactly(void* buffer, std::size_t size) {
  char* p = static_cast<char*>(buffer);
  while (size > 0) {
    std::size_t done;
    if (!Read(p, size, done)) return false;
    if (done == 0) {
      Fail(kErrorHandleEof);
      return false;
    }
    p += done;
    size -= done;
  }
  return true;
}

bool FileStream::Write(const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  FileCalls& calls = CurrentFileCalls();
  while (size > 0) {
    const WriteBuffer buffer{p, size};
    std::size_t written = 0;
    if (const std::uint32_t code = calls.Write(handle_, &buffer, 1, written)) {
      Fail(code);
      return false;
    }
    p += written;
    size -= written;
  }
  return true;
}

bool FileStream::SetSize(std::int64_t size) {
  if (size < 0) {
    Fail(kErrorInvalidParameter);
    return false;
  }
  if (const std::uint32_t code =
          CurrentFileCalls().SetSize(handle_, static_cast<std::uint64_t>(size))) {
    Fail(code);
    return false;
  }
  return true;
}

bool FileStream::Flush() {
  const std::uint32_t code = CurrentFileCalls().Sync(handle_);
  if (code == kErrorSuccess) return true;
  // A stream opened for reading has nothing to flush, though Windows refuses the call on it:
  // a write of no bytes tells such a handle, which it refuses the same way.
  DWORD none = 0;
  if (code == ERROR_ACCESS_DENIED && !::WriteFile(NativeHandle(handle_), "", 0, &none, nullptr) &&
      ::GetLastError() == ERROR_ACCESS_DENIED)
    return true;
  Fail(code);
  return false;
}

bool FileStream::Close() {
  if (handle_ == kNoFile) return true;
  const FileHandle handle = std::exchange(handle_, kNoFile);
  if (const std::uint32_t code = CurrentFileCalls().Close(handle)) {
    Fail(code);
    return false;
  }
  return true;
}

}  // namespace kvr::platform
