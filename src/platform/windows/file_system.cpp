#include "platform/file_system.h"

#include <limits>
#include <utility>

#include "common/exceptions.h"
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

// Closes a file handle when the scope ends.
class OpenFile {
 public:
  explicit OpenFile(FileHandle handle) : handle_(handle) {}
  ~OpenFile() {
    if (handle_ != kNoFile) CurrentFileCalls().Close(handle_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  FileHandle get() const { return handle_; }
  FileHandle release() { return std::exchange(handle_, kNoFile); }

 private:
  FileHandle handle_;
};

std::string Quoted(const std::string& native) { return "\"" + native + "\". "; }

DWORD Attributes(std::string_view path) {
  return ::GetFileAttributesW(WideText(MapPath(path)).c_str());
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Where the directories of a path begin to be made: after "X:\" or "\\server\share\".
std::size_t FirstCreatable(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.size() > 2 && IsSeparator(path[2]) ? 3 : 2;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
    std::size_t separators = 0;
    for (std::size_t i = 2; i < path.size(); ++i)
      if (IsSeparator(path[i]) && ++separators == 2) return i + 1;
    return path.size();
  }
  return IsSeparator(path.empty() ? '\0' : path[0]) ? 1 : 0;
}

}  // namespace

bool FileExists(std::string_view path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::string_view path) {
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(std::string_view path) {
  std::string native = MapPath(path);
  if (const std::uint32_t code = CurrentFileCalls().Delete(native)) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool RenameFileReplacing(std::string_view from, std::string_view to) {
  if (const std::uint32_t code = CurrentFileCalls().Rename(MapPath(from), MapPath(to))) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool RenameFile(std::string_view from, std::string_view to) {
  if (Attributes(to) != INVALID_FILE_ATTRIBUTES) {  // MoveFile does not replace
    SetLastError(kErrorAlreadyExists);
    return false;
  }
  if (const std::uint32_t code = CurrentFileCalls().Rename(MapPath(from), MapPath(to))) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool ForceDirectories(std::string_view path) {
  std::string native = MapPath(path);
  while (native.size() > 1 && IsSeparator(native.back()) && native[native.size() - 2] != ':')
    native.pop_back();
  if (native.empty()) {
    SetLastError(kErrorInvalidName);
    return false;
  }
  for (std::size_t i = FirstCreatable(native); i <= native.size(); ++i) {
    if (i != native.size() && !IsSeparator(native[i])) continue;
    if (i == 0) continue;
    const std::string part = native.substr(0, i);
    const DWORD attributes = Attributes(part);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
      if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(i == native.size() ? kErrorAlreadyExists : kErrorPathNotFound);
        return false;
      }
      continue;
    }
    if (!::CreateDirectoryW(WideText(part).c_str(), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      SetLastErrorFromSystem();
      return false;
    }
  }
  return true;
}

std::int64_t FileSize(std::string_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExW(WideText(MapPath(path)).c_str(), GetFileExInfoStandard, &data)) {
    SetLastErrorFromSystem();
    return -1;
  }
  return static_cast<std::int64_t>((static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) |
                                   data.nFileSizeLow);
}

std::string ReadWholeFile(std::string_view path) {
  const std::string native = MapPath(path);
  FileHandle handle = kNoFile;
  std::uint32_t code = CurrentFileCalls().Open(
      {kCurrentDirectory, native, OpenFlags(OPEN_EXISTING, kOpenRead | kShareAll), 0}, handle);
  OpenFile file(handle);
  if (code == kErrorSuccess)
    code = CheckRegularFile(NativeHandle(file.get()), LinkCheck::kAnyLinks);
  LARGE_INTEGER size{};
  if (code == kErrorSuccess && !::GetFileSizeEx(NativeHandle(file.get()), &size))
    code = ::GetLastError();
  if (code != kErrorSuccess) {
    SetLastError(code);
    throw EFOpenError("Cannot open file " + Quoted(native) + SysErrorMessage(code));
  }
  std::string data;
  data.reserve(static_cast<std::size_t>(size.QuadPart) + 65536);
  data.resize(static_cast<std::size_t>(size.QuadPart));
  std::size_t done = 0;
  while (true) {
    if (done == data.size()) data.resize(data.size() + 65536);
    const std::size_t left = data.size() - done;
    const DWORD chunk = static_cast<DWORD>(left < (1u << 30) ? left : (1u << 30));
    DWORD n = 0;
    if (!::ReadFile(NativeHandle(file.get()), data.data() + done, chunk, &n, nullptr)) {
      code = SetLastErrorFromSystem();
      throw EFOpenError("Cannot open file " + Quoted(native) + SysErrorMessage(code));
    }
    if (n == 0) break;
    done += n;
  }
  data.resize(done);
  return data;
}

void WriteWholeFile(std::string_view path, std::string_view data) {
  const std::string_view pieces[] = {data};
  WriteWholeFile(path, pieces);
}

void WriteWholeFile(std::string_view path, std::span<const std::string_view> pieces) {
  const std::string native = MapPath(path);
  FileCalls& calls = CurrentFileCalls();
  FileHandle handle = kNoFile;
  if (const std::uint32_t code = calls.Open(
          {kCurrentDirectory, native, OpenFlags(CREATE_ALWAYS, kOpenWrite), 0}, handle)) {
    SetLastError(code);
    throw EFCreateError("Cannot create file " + Quoted(native) + SysErrorMessage(code));
  }
  OpenFile file(handle);
  // A file that could not be written whole is not left behind under its name.
  const auto fail = [&](std::uint32_t code) {
    calls.Delete(native);
    SetLastError(code);
    throw EFCreateError("Cannot write file " + Quoted(native) + SysErrorMessage(code));
  };
  if (const std::uint32_t code = WritePieces(calls, file.get(), pieces)) {
    calls.Close(file.release());
    fail(code);
  }
  if (const std::uint32_t code = calls.Close(file.release())) fail(code);
}

}  // namespace kvr::platform
