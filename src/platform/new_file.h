// Files written aside under a name of their own and then renamed into place, so that nobody
// ever sees half of them under the final name.
//
// NewFile creates a file that did not exist: the open never follows a symbolic link, never
// opens an entry another process or account planted under that name, never truncates
// anything, and checks that what it opened is a regular file. Paths may be Windows paths;
// they are mapped with MapPath. Failing calls return false and set the last error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace kvr::platform {

constexpr std::size_t kDirectWriteAlignment = 4096;

class NewFile {
 public:
  NewFile() = default;
  ~NewFile();  // closes the handle; the file stays
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // Creates `path` with mode 0666 less the umask. An existing entry of that name (a symbolic
  // link included, dangling or not) fails with kErrorFileExists.
  bool Create(std::string_view path);
  bool IsOpen() const { return handle_ != kNoFile; }
  const std::string& NativePath() const { return native_path_; }

  // Writes the pieces one after another at the end of what was written so far.
  bool Write(std::span<const std::string_view> pieces);
  // Writes the pieces from `offset` on, over what is there; later Writes continue after them.
  bool WriteAt(std::uint64_t offset, std::span<const std::string_view> pieces);
  // Bypassing the system's cache, writes go from the caller's memory straight to the disk:
  // for a large file written once this spares the system copying it and finding memory for
  // the copy. Every buffer address, length and offset must then be a multiple of
  // kDirectWriteAlignment. False when the file system cannot; switching back always works.
  bool SetBypassCache(bool bypass);
  // Asks the system to begin putting what was written on the disk, without waiting, so that a
  // later Sync finds little left to do. Best effort: nothing is reported.
  void StartWriteback();
  // Makes the written data durable (fsync).
  bool Sync();
  // Closes; false when the system reports a failure on close.
  bool Close();

 private:
  FileHandle handle_ = kNoFile;
  std::string native_path_;
};

// Renames `from` to `to` in one step, replacing a file of that name, and makes the new
// directory entry durable.
bool ReplaceFileByRename(std::string_view from, std::string_view to);

}  // namespace kvr::platform
