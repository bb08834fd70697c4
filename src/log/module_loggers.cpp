#include "log/module_loggers.h"

#include <atomic>
#include <memory>

#include "format/format_settings.h"
#include "platform/clock.h"
#include "platform/paths.h"

namespace kvr::log {
namespace {

std::atomic<TDIZEvudod*> g_errors_writer{nullptr};
std::atomic<TDIZEvudod*> g_reports_log{nullptr};

// Creates a logger, or gives null when it cannot be created (loading must not fail for it).
template <typename Configure>
TDIZEvudod* NewLogger(const std::string& file_name, Configure configure) noexcept {
  try {
    auto logger = std::make_unique<TDIZEvudod>(file_name);
    configure(*logger);
    return logger.release();
  } catch (...) {
    return nullptr;
  }
}

void Free(std::atomic<TDIZEvudod*>& slot) noexcept { delete slot.exchange(nullptr); }

}  // namespace

std::string ErrorsWriterFileName() {
  return "DIZEvudodErrorsWriter-" + std::to_string(platform::CurrentUserId()) + ".log";
}

void InitializeLogging() noexcept {
  if (!g_errors_writer.load()) {
    TDIZEvudod* writer =
        NewLogger(platform::TempDirectory() + ErrorsWriterFileName(), [](TDIZEvudod& log) {
          log.SetInSharedDirectory(true);
          log.SetTrimInPlace(true);
          log.SetSuppressWriteErrors(true);
        });
    g_errors_writer.store(writer);
  }
  try {
    format::LogFormatSettings();
  } catch (...) {
  }
}

void FinalizeLogging() noexcept { Free(g_errors_writer); }

TDIZEvudod* ErrorsWriter() noexcept { return g_errors_writer.load(); }

void CreateReportsLog() noexcept {
  if (g_reports_log.load()) return;
  g_reports_log.store(NewLogger(kReportsLogFileName,
                                [](TDIZEvudod& log) { log.SetSourceTag(kReportsLogSourceTag); }));
}

void FreeReportsLog() noexcept { Free(g_reports_log); }

TDIZEvudod* ReportsLog() noexcept { return g_reports_log.load(); }

}  // namespace kvr::log
