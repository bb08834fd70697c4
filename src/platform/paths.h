// Where the Windows paths the system composes live on this machine.
//   "X:\a\b"  ->  <root>/X/a/b   with <root> from KVR_ROOT (default /var/lib/kvr)
//   a path without a drive letter is native; backslashes in it become '/'.
#pragma once

#include <string>
#include <string_view>

namespace kvr::platform {

constexpr const char* kDefaultRoot = "/var/lib/kvr";

// The directory that stands for the machine's drives (KVR_ROOT, else kDefaultRoot).
std::string RootDirectory();
// Maps a Windows path (or a native one) to the native path actually used.
std::string MapPath(std::string_view path);
// The Windows directory as the system reports it, without a trailing separator:
// "C:\WINDOWS" (mapped under the root) unless KVR_WINDIR names another directory.
std::string WindowsDirectory();
// The temporary directory with a trailing '/': $TMPDIR or /tmp/.
std::string TempDirectory();
// The full path of the running program (the host executable).
std::string HostExecutablePath();
// The full path of the loaded module (shared library or program) that holds `address`.
std::string ModulePath(const void* address);

// Path pieces working on both '\' and '/' separators.
std::string ExtractFileName(std::string_view path);
std::string ExtractFilePath(std::string_view path);  // with the trailing separator
std::string ExtractFileExt(std::string_view path);   // with the dot, or empty
std::string ChangeFileExt(std::string_view path, std::string_view ext);
std::string IncludeTrailingPathDelimiter(std::string_view path);  // adds '\' when missing

}  // namespace kvr::platform
