// The files of a directory (FindFirstFile / FindNextFile over "<dir>\*").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvr::platform {

// Names (without directory) of the regular files in `directory` (a Windows or native path),
// in no particular order. A directory that cannot be read gives an empty list and sets the
// last error.
std::vector<std::string> ListFileNames(std::string_view directory);

}  // namespace kvr::platform
