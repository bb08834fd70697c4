// The calls that create, write, read, seek, size, sync, link, close, rename and delete files, in
// one replaceable table (in the manner of LevelDB's EnvWrapper): every file the library writes
// goes through CurrentFileCalls(), so that a port supplies its own and a test can make any of
// these calls fail. FileStream, NewFile, WriteWholeFile, DeleteFile, RenameFile and the opens
// of shared_file.h use nothing else for these (only queries and metadata stay the port's own:
// fstat, permissions, advisory locks, cache hints).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace kvr::platform {

struct FileOpenCall {
  FileHandle directory;     // where a relative `path` starts (kCurrentDirectory: the usual place)
  const std::string& path;  // native
  int flags;                // the port's own open flags (only the port makes and reads them)
  unsigned mode;            // permissions of a file the call creates, before the umask
};

struct WriteBuffer {
  const void* data;
  std::size_t size;
};

enum class SeekOrigin { kBegin, kCurrent, kEnd };

// Each call returns kErrorSuccess or the Windows error code of the failure (system_error.h).
class FileCalls {
 public:
  virtual ~FileCalls() = default;
  virtual std::uint32_t Open(const FileOpenCall& call, FileHandle& handle) = 0;
  // Writes from the buffers in order; `written` tells how many bytes (at least one on success).
  virtual std::uint32_t Write(FileHandle handle, const WriteBuffer* buffers, std::size_t count,
                              std::size_t& written) = 0;
  // Reads at most `size` bytes; `done` 0 at the end of the file.
  virtual std::uint32_t Read(FileHandle handle, void* buffer, std::size_t size,
                             std::size_t& done) = 0;
  // Moves the file position; `position` is the new one.
  virtual std::uint32_t Seek(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                             std::uint64_t& position) = 0;
  virtual std::uint32_t SetSize(FileHandle handle, std::uint64_t size) = 0;
  // Puts the file's data and size on the device (FlushFileBuffers).
  virtual std::uint32_t Sync(FileHandle handle) = 0;
  // Puts the entries of a directory on the device (a no-op where the system does so itself).
  virtual std::uint32_t SyncDirectory(const std::string& directory) = 0;
  virtual std::uint32_t Close(FileHandle handle) = 0;
  // Renames `from` to `to`, replacing a file of that name at once.
  virtual std::uint32_t Rename(const std::string& from, const std::string& to) = 0;
  virtual std::uint32_t Delete(const std::string& path) = 0;
};

// Forwards every call to `target`; a subclass overrides the calls it wants to change.
class FileCallsWrapper : public FileCalls {
 public:
  explicit FileCallsWrapper(FileCalls& target) : target_(target) {}
  std::uint32_t Open(const FileOpenCall& call, FileHandle& handle) override {
    return target_.Open(call, handle);
  }
  std::uint32_t Write(FileHandle handle, const WriteBuffer* buffers, std::size_t count,
                      std::size_t& written) override {
    return target_.Write(handle, buffers, count, written);
  }
  std::uint32_t Read(FileHandle handle, void* buffer, std::size_t size,
                     std::size_t& done) override {
    return target_.Read(handle, buffer, size, done);
  }
  std::uint32_t Seek(FileHandle handle, std::int64_t offset, SeekOrigin origin,
                     std::uint64_t& position) override {
    return target_.Seek(handle, offset, origin, position);
  }
  std::uint32_t SetSize(FileHandle handle, std::uint64_t size) override {
    return target_.SetSize(handle, size);
  }
  std::uint32_t Sync(FileHandle handle) override { return target_.Sync(handle); }
  std::uint32_t SyncDirectory(const std::string& directory) override {
    return target_.SyncDirectory(directory);
  }
  std::uint32_t Close(FileHandle handle) override { return target_.Close(handle); }
  std::uint32_t Rename(const std::string& from, const std::string& to) override {
    return target_.Rename(from, to);
  }
  std::uint32_t Delete(const std::string& path) override { return target_.Delete(path); }
  FileCalls& target() const { return target_; }

 private:
  FileCalls& target_;
};

// Writes `pieces` in order through `calls` in gathered batches, resuming a short write inside the
// piece where it stopped. Returns kErrorSuccess or the first failing call's error code.
std::uint32_t WritePieces(FileCalls& calls, FileHandle handle,
                          std::span<const std::string_view> pieces);

// The port's own calls (posix/file_calls.cpp here).
FileCalls& PortFileCalls();
// The calls in use: the port's own unless others are installed.
FileCalls& CurrentFileCalls();

// Installs `calls` for its lifetime and puts back the previous ones. Meant for tests: files
// being written on other threads meanwhile see the change between two calls.
class ScopedFileCalls {
 public:
  explicit ScopedFileCalls(FileCalls& calls);
  ~ScopedFileCalls();
  ScopedFileCalls(const ScopedFileCalls&) = delete;
  ScopedFileCalls& operator=(const ScopedFileCalls&) = delete;

 private:
  FileCalls* previous_;
};

}  // namespace kvr::platform
