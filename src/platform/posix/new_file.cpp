#include "platform/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/paths.h"
#include "platform/posix/errno_codes.h"
#include "platform/system_error.h"

namespace kvr::platform {
namespace {

// Linux accepts at most this many pieces in one writev (UIO_MAXIOV).
constexpr std::size_t kMaxPiecesPerWrite = 1024;

// With O_CREAT|O_EXCL a missing entry can only be a directory of the path, and a symbolic
// link under the name is an entry that exists.
std::uint32_t CreateError(int err) {
  if (err == EEXIST || err == ELOOP) return kErrorFileExists;
  return err == ENOENT ? kErrorPathNotFound : WindowsErrorFromErrno(err);
}

bool SyncDirectoryOf(const std::string& native) {
  const std::size_t slash = native.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : native.substr(0, slash + 1);
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = ::fsync(fd) == 0 || errno == EINVAL;  // some file systems cannot sync a directory
  ::close(fd);
  return ok;
}

}  // namespace

NewFile::~NewFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool NewFile::Create(std::string_view path) {
  if (fd_ >= 0) Close();
  native_path_ = MapPath(path);
  int fd = ::open(native_path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  0666);
  if (fd < 0) {
    SetLastError(CreateError(errno));
    return false;
  }
  struct stat st{};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    SetLastError(kErrorAccessDenied);
    return false;
  }
  fd_ = fd;
  return true;
}

bool NewFile::Write(std::span<const std::string_view> pieces) {
  if (fd_ < 0) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  // writev in batches; a short write resumes inside the piece where it stopped.
  std::vector<iovec> batch;
  batch.reserve(std::min<std::size_t>(pieces.size(), kMaxPiecesPerWrite));
  std::size_t next = 0;
  std::size_t skip = 0;  // bytes of pieces[next] already written
  while (next < pieces.size()) {
    batch.clear();
    for (std::size_t i = next; i < pieces.size() && batch.size() < kMaxPiecesPerWrite; ++i) {
      std::string_view piece = pieces[i].substr(i == next ? skip : 0);
      if (!piece.empty()) batch.push_back({const_cast<char*>(piece.data()), piece.size()});
    }
    if (batch.empty()) break;
    ssize_t n = ::writev(fd_, batch.data(), static_cast<int>(batch.size()));
    if (n < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno();
      return false;
    }
    std::size_t written = static_cast<std::size_t>(n);
    while (next < pieces.size() && written >= pieces[next].size() - skip) {
      written -= pieces[next].size() - skip;
      skip = 0;
      ++next;
    }
    skip += written;
  }
  return true;
}

bool NewFile::Sync() {
  if (fd_ >= 0 && ::fsync(fd_) == 0) return true;
  if (fd_ < 0) SetLastError(kErrorInvalidHandle);
  else SetLastErrorFromErrno();
  return false;
}

bool NewFile::Close() {
  if (fd_ < 0) return true;
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) == 0) return true;
  SetLastErrorFromErrno();
  return false;
}

bool ReplaceFileByRename(std::string_view from, std::string_view to) {
  const std::string target = MapPath(to);
  if (::rename(MapPath(from).c_str(), target.c_str()) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  SyncDirectoryOf(target);  // the file is in place either way; durability is best effort
  return true;
}

}  // namespace kvr::platform
