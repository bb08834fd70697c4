// The process-wide loggers of the library and their lifecycle.
//
// While the library loads, the logging unit starts first (InitializeLogging: the error writer
// "DIZEvudodErrorsWriter-<uid>.log" in the temporary directory, which records the failures of every
// other logger, and LogFormatSettings), and the main unit starts last (CreateReportsLog: the
// module logger on "C:\MOLT\LogFiles\Reports.log" with the source tag "[KVRExportCreator9]").
// While it unloads the order is reversed: FreeReportsLog, then FinalizeLogging.
// None of these functions raises; a logger that cannot be created stays null and is skipped.
#pragma once

#include "log/log_writer.h"

namespace kvr::log {

// The error writer's file name: "DIZEvudodErrorsWriter-<uid>.log". The temporary directory is
// shared by every account here, so the name carries the account's user id, and the file is
// opened so that a link or file another account plants under that name is never written.
std::string ErrorsWriterFileName();
constexpr const char* kReportsLogFileName = "C:\\MOLT\\LogFiles\\Reports.log";
constexpr const char* kReportsLogSourceTag = "[KVRExportCreator9]";

void InitializeLogging() noexcept;
void FinalizeLogging() noexcept;
// The fallback logger (null outside InitializeLogging .. FinalizeLogging).
TDIZEvudod* ErrorsWriter() noexcept;

void CreateReportsLog() noexcept;
void FreeReportsLog() noexcept;
// The module logger the export code writes to (null outside CreateReportsLog ..
// FreeReportsLog). The report dispatch writes its "document prepared" lines here at level 1.
TDIZEvudod* ReportsLog() noexcept;

}  // namespace kvr::log
