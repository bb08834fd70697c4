// The log files' named mutexes, shared by every process and account on the machine
// (platform::NamedMutex::OpenMachineWide: "Global\" + name, then the bare name).
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/named_mutex.h"

namespace kvr::log {

// Returns the mutex, or null when it cannot be created and `fail_when_missing` is off.
// With the switch on, raises Exception with `error_format` formatted with the system's text
// for the last error (one "%s").
std::unique_ptr<platform::NamedMutex> CreateSharedMutex(std::string_view name,
                                                        bool fail_when_missing,
                                                        std::string_view error_format);

// The logger's message for a missing mutex.
std::string_view MutexCreateErrorFormat();

// The mutex name of a log file: the path in lower case with each of " * / : < > ? \ |
// replaced by '_' (C:\MOLT\LogFiles\Reports.log -> c__molt_logfiles_reports.log).
std::string LogFileMutexName(std::string_view file_name);

}  // namespace kvr::log
