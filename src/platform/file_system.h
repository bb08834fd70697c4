// Whole-file and directory services. Paths may be Windows paths; they are mapped with
// MapPath. Failing calls set the last error (system_error.h); the throwing ones raise
// EFOpenError / EFCreateError whose message names the native path actually used.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kvr::platform {

bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);
// Returns false (last error set) when the file cannot be deleted; a missing file is a failure
// with kErrorFileNotFound, as on Windows.
bool DeleteFile(std::string_view path);
// Fails with kErrorAlreadyExists when `to` exists (MoveFile).
bool RenameFile(std::string_view from, std::string_view to);
// Renames `from` to `to`, atomically replacing a file of that name (MoveFileEx with
// MOVEFILE_REPLACE_EXISTING): a reader sees the old file or the new one, never a mix.
bool RenameFileReplacing(std::string_view from, std::string_view to);
// Creates the directory and all missing parents. True when it exists afterwards.
bool ForceDirectories(std::string_view path);
// Size in bytes, or -1 (last error set).
std::int64_t FileSize(std::string_view path);

// Reads a whole file. Raises EFOpenError "Cannot open file \"<path>\". <system message>".
std::string ReadWholeFile(std::string_view path);
// Creates or replaces a file with `data` in one write. Raises EFCreateError
// "Cannot create file \"<path>\". <system message>" (or the write error's message).
void WriteWholeFile(std::string_view path, std::string_view data);
// The same for a file given as consecutive pieces (no copy into one buffer first).
void WriteWholeFile(std::string_view path, std::span<const std::string_view> pieces);

}  // namespace kvr::platform
