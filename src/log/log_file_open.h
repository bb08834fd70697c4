// Opening a log file while other processes may hold it: sharing errors are retried for a while.
#pragma once

#include <string_view>

#include "platform/file_stream.h"

namespace kvr::log {

// Opens `file_name` in `mode`, shared with everybody. A negative `timeout_ms` means the default
// open time-out (200 ms); 0 tries once. Sharing or lock violations are retried every 10 ms until
// the time-out; then "Log file open timeout: %d ms (%s)" is raised (Exception). Any other
// failure raises at once: EFOpenError "Cannot open file "<path>". <system text>" or, for the
// create modes, EFCreateError "Cannot create file ...".
platform::FileStream OpenWithTimeout(std::string_view file_name, platform::FileOpenMode mode,
                                     int timeout_ms,
                                     platform::FilePlace place = platform::FilePlace::kTrusted);

}  // namespace kvr::log
