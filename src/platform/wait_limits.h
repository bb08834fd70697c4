// How long the library waits for a named mutex that another process may hold, and the one
// reading of the environment variables that set those limits (and KVR_FB_TIMEOUT).
// Each is a whole number of seconds from 0 to 86400, read at every wait; 0 asks for no limit.
#pragma once

#include <chrono>

namespace kvr::platform {

struct WaitLimitSetting {
  const char* variable;
  int default_seconds;
};

// cnf.ini and the log files: held for milliseconds per operation, so a wait that reaches this
// limit means that a holder is stuck (stopped, hung), not busy.
inline constexpr WaitLimitSetting kFileLockLimit{"KVR_LOCK_TIMEOUT", 30};
// An export file: held by another process writing the same export, for as long as that
// export runs (minutes for the largest periods of a busy station).
inline constexpr WaitLimitSetting kExportLockLimit{"KVR_EXPORT_LOCK_TIMEOUT", 600};

inline constexpr int kMaxWaitLimitSeconds = 86400;

// The setting's seconds (its default when the variable is unset or empty). Raises Exception
// "Invalid value of <variable>: "<text>"" for a value that is not 0 to 86400.
int WaitLimitSeconds(const WaitLimitSetting& setting);
// The same as a limit for NamedMutex::Wait: kNoTimeLimit for 0.
std::chrono::milliseconds WaitLimit(const WaitLimitSetting& setting);

}  // namespace kvr::platform
