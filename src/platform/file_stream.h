// An open file with Windows open and sharing semantics, for code that keeps a file open while it
// works on it (logs, settings files). Paths may be Windows paths; they are mapped with MapPath.
// Every failing call returns false (or -1) and sets the last error to the Windows code:
//   - a file to be created in a directory that does not exist: kErrorPathNotFound (3);
//   - a file another opener holds exclusively, or an exclusive open of a file that others
//     hold open: kErrorSharingViolation (32).
// Sharing is advisory between the openers that use this class: an open takes a shared flock()
// (kDenyNone) or an exclusive one (kExclusive) on the file without waiting, as Windows checks
// share modes when a file is opened.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_handle.h"

namespace kvr::platform {

enum class FileOpenMode {
  kRead,          // existing file, read only
  kReadWrite,     // existing file, read and write
  kCreate,        // create, or empty an existing file (CREATE_ALWAYS)
  kCreateOrOpen,  // create when missing, else open as it is (OPEN_ALWAYS)
  kCreateNew,     // create; fails with kErrorFileExists when the name exists (CREATE_NEW)
};

enum class FileShare { kDenyNone, kExclusive };

// Who may write the directory the file lies in. In a shared one (the temporary directory) the
// name is opened as shared_file.h describes: no links followed, only a regular file of this
// account, never truncated, created with mode 0600. kCreateNew files are always opened so.
enum class FilePlace { kTrusted, kShared };

class FileStream {
 public:
  FileStream() = default;
  ~FileStream();
  FileStream(FileStream&& other) noexcept;
  FileStream& operator=(FileStream&& other) noexcept;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  // Opens `path` (closing any file held before). New files in a trusted place get mode 0666
  // less the umask. kCreate is not available in a shared place (kErrorInvalidParameter).
  bool Open(std::string_view path, FileOpenMode mode, FileShare share = FileShare::kDenyNone,
            FilePlace place = FilePlace::kTrusted);
  bool IsOpen() const { return handle_ != kNoFile; }
  // Whether the last Open created the file.
  bool Created() const { return created_; }
  // Gives the file this stream created the permissions (and, where allowed, the owner and
  // group) of `original`: a file built to replace another one keeps who may use it.
  bool TakeAccessOf(const FileStream& original);
  // The native path of the open file.
  const std::string& NativePath() const { return native_path_; }

  std::int64_t Size() const;
  std::int64_t Position() const;
  bool Seek(std::int64_t position);
  bool SeekToEnd();
  // Reads up to `size` bytes at the position; `done` tells how many (0 at the end).
  bool Read(void* buffer, std::size_t size, std::size_t& done);
  // Reads exactly `size` bytes or fails (kErrorHandleEof, 38, at the end of the file).
  bool ReadExactly(void* buffer, std::size_t size);
  // Writes all bytes at the position.
  bool Write(const void* data, std::size_t size);
  bool Write(std::string_view data) { return Write(data.data(), data.size()); }
  // Sets the end of the file at `size` (shortens or extends); the position is kept.
  bool SetSize(std::int64_t size);
  // Makes written data durable (FlushFileBuffers).
  bool Flush();
  // Closes the file; false (last error set) when the system reports a failure on close.
  bool Close();

 private:
  FileHandle handle_ = kNoFile;
  bool created_ = false;
  std::string native_path_;
};

constexpr std::uint32_t kErrorHandleEof = 38;

}  // namespace kvr::platform
