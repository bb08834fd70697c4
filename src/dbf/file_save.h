// How a whole file reaches its final name: written beside it under a temporary name, made
// durable and renamed in one step. A reader of the final name sees the old file, no file, or
// the whole new one; never a part. The temporary name is "<file name>.<pid>-<n>.tmp", which
// no collector takes for a DBF file.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace kvr {

namespace platform {
class NewFile;
}

// Writes `pieces` one after another as the file `path` (Windows or native), replacing a file
// of that name. On any failure the temporary file is removed and EFCreateError raised:
// "Cannot create file \"<path>\". <system message>", "Cannot write file ..." (a full disk
// among others), or "Cannot rename file \"<temporary>\" to \"<path>\". <system message>";
// the paths are the native ones.
void SaveFileWhole(std::string_view path, std::span<const std::string_view> pieces);

// The steps of SaveFileWhole, for a save whose content is written in parts
// (BackgroundFileSave). CreateTemporaryFile creates the temporary file beside `path` and names
// it in `temporary`; false, with the last error set, when it cannot. CompleteSave makes the
// file durable and renames it into place; `written` false (a write failed, the last error
// telling why) or any failure there removes the temporary file and raises as SaveFileWhole.
bool CreateTemporaryFile(std::string_view path, platform::NewFile& file, std::string& temporary);
void CompleteSave(platform::NewFile& file, const std::string& temporary, std::string_view path,
                  bool written);

// True for a name SaveFileWhole gives its temporary files.
bool IsTemporarySaveName(std::string_view file_name);

}  // namespace kvr
