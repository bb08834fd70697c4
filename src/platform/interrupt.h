// Ctrl-C in a console program: `message` (which must outlive the program) goes to standard
// error and the process ends with `exit_code`, also while the library is inside a call that
// cannot be cut short otherwise (SIGINT on POSIX, the console control handler on Windows).
#pragma once

namespace kvr::platform {

void ExitOnInterrupt(const char* message, int exit_code);

}  // namespace kvr::platform
