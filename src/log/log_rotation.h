// Rotation of a log file into numbered old files: Name000 is the newest.
#pragma once

#include <string_view>

namespace kvr::log {

// Renames the old files Name000, Name001, ... (any letter case; the number follows the full file
// name directly) one number up, after deleting the highest ones so that at most `max_backups`
// remain (0 or less keeps all), then renames the log itself to Name000. The next record
// creates a new log. Raises EOSError when a file cannot be deleted or renamed.
void RotateLogFiles(std::string_view file_name, int max_backups);

}  // namespace kvr::log
