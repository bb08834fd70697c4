// Files in directories that other local accounts may write: the temporary directory, the lock
// directory, and the temporary files built beside a file that is then replaced. A name there
// may have been planted by someone else: a symbolic link, a hard link to another file, a FIFO,
// a file another account owns. These opens cannot be turned against us:
//  - no symbolic link is followed and the handle does not leak into child processes;
//  - only a regular file with a single link is accepted, checked on the opened handle;
//  - nothing is truncated;
//  - the permissions are set (on the handle) only when this very open created the file.
// A refused file fails with kErrorAccessDenied.
#pragma once

#include <string>

#include "platform/file_calls.h"

namespace kvr::platform {

enum class SharedFileOwner {
  kAnyAccount,   // shared objects such as lock files: whoever created them
  kThisAccount,  // private files: one that another account owns is refused
};

enum class SharedFileCreate {
  kOpenOrCreate,
  kCreateNew,     // an existing name fails with kErrorFileExists
  kOpenExisting,  // a missing name fails with kErrorFileNotFound
};

struct SharedFileRequest {
  unsigned create_mode = 0600;  // permissions of a file this open creates (not narrowed by umask)
  SharedFileOwner owner = SharedFileOwner::kThisAccount;
  SharedFileCreate create = SharedFileCreate::kOpenOrCreate;
};

struct SharedFileHandle {
  FileHandle handle = kNoFile;  // kNoFile: failed, the last error is set
  bool created = false;
};

// Opens `name` for reading and writing in the directory open as `directory` (kCurrentDirectory:
// `name` is a path).
SharedFileHandle OpenSharedFile(FileHandle directory, const std::string& name,
                                const SharedFileRequest& request);

}  // namespace kvr::platform
