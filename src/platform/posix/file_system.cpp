#include "platform/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>
#include <vector>

#include "common/exceptions.h"
#include "platform/file_calls.h"
#include "platform/paths.h"
#include "platform/posix/descriptor.h"
#include "platform/posix/errno_codes.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

// Closes a file handle when the scope ends.
class Fd {
 public:
  explicit Fd(FileHandle handle) : handle_(handle) {}
  ~Fd() {
    if (handle_ != kNoFile) CurrentFileCalls().Close(handle_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  FileHandle get() const { return handle_; }
  FileHandle release() { return std::exchange(handle_, kNoFile); }

 private:
  FileHandle handle_;
};

std::string Quoted(const std::string& native) { return "\"" + native + "\". "; }

}  // namespace

bool FileExists(std::string_view path) {
  struct stat st {};
  return ::stat(MapPath(path).c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
  struct stat st {};
  return ::stat(MapPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool DeleteFile(std::string_view path) {
  std::string native = MapPath(path);
  struct stat st {};
  if (::lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    SetLastError(kErrorAccessDenied);
    return false;
  }
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
  std::string target = MapPath(to);
  if (::access(target.c_str(), F_OK) == 0) {  // MoveFile does not replace
    SetLastError(kErrorAlreadyExists);
    return false;
  }
  if (const std::uint32_t code = CurrentFileCalls().Rename(MapPath(from), target)) {
    SetLastError(code);
    return false;
  }
  return true;
}

bool ForceDirectories(std::string_view path) {
  std::string native = MapPath(path);
  while (native.size() > 1 && native.back() == '/') native.pop_back();
  if (native.empty()) {
    SetLastError(kErrorInvalidName);
    return false;
  }
  for (std::size_t i = 1; i <= native.size(); ++i) {
    if (i != native.size() && native[i] != '/') continue;
    std::string part = native.substr(0, i);
    struct stat st {};
    if (::stat(part.c_str(), &st) == 0) {
      if (!S_ISDIR(st.st_mode)) {
        // As CreateDirectory reports it: a file under the directory's own name "already
        // exists"; a file standing for a parent leaves no path to it.
        SetLastError(i == native.size() ? kErrorAlreadyExists : kErrorPathNotFound);
        return false;
      }
      continue;
    }
    if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
      SetLastErrorFromErrno();
      return false;
    }
  }
  return true;
}

std::int64_t FileSize(std::string_view path) {
  struct stat st {};
  if (::stat(MapPath(path).c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return -1;
  }
  return st.st_size;
}

std::string ReadWholeFile(std::string_view path) {
  std::string native = MapPath(path);
  FileHandle handle = kNoFile;
  const std::uint32_t open_code =
      // O_NONBLOCK: a FIFO or device under the name is refused at once instead of blocking.
      CurrentFileCalls().Open({kCurrentDirectory, native, O_RDONLY | O_CLOEXEC | O_NONBLOCK, 0},
                              handle);
  Fd fd(handle);
  struct stat st {};
  if (fd.get() == kNoFile || ::fstat(Descriptor(fd.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
    std::uint32_t code = fd.get() == kNoFile ? open_code : kErrorAccessDenied;
    SetLastError(code);
    throw EFOpenError("Cannot open file " + Quoted(native) + SysErrorMessage(code));
  }
  std::string data;
  // Room for the end-of-file probe below, so a file read whole is never copied to grow.
  data.reserve(static_cast<std::size_t>(st.st_size) + 65536);
  data.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (true) {
    if (done == data.size()) data.resize(data.size() + 65536);
    std::size_t n = 0;
    if (const std::uint32_t code =
            CurrentFileCalls().Read(fd.get(), data.data() + done, data.size() - done, n)) {
      SetLastError(code);
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
  if (std::uint32_t code = calls.Open(
          {kCurrentDirectory, native, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666}, handle)) {
    // With O_CREAT a missing entry can only be a directory of the path.
    if (code == kErrorFileNotFound) code = kErrorPathNotFound;
    SetLastError(code);
    throw EFCreateError("Cannot create file " + Quoted(native) + SysErrorMessage(code));
  }
  Fd fd(handle);
  // A file that could not be written whole is not left behind under its name.
  auto write_failed = [&](std::uint32_t code) {
    calls.Close(fd.release());
    calls.Delete(native);
    SetLastError(code);
    throw EFCreateError("Cannot write file " + Quoted(native) + SysErrorMessage(code));
  };
  if (const std::uint32_t code = WritePieces(calls, fd.get(), pieces)) write_failed(code);
  if (const std::uint32_t code = calls.Close(fd.release())) {
    calls.Delete(native);
    SetLastError(code);
    throw EFCreateError("Cannot write file " + Quoted(native) + SysErrorMessage(code));
  }
}

}  // namespace kvr::platform
