#include "preflight.h"

#include "host_settings.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/process_environment.h"

namespace kvr::host {
namespace {

constexpr const char* kStationDatabaseFile = "GARVEN.FDB";

bool IsStationReport(const Invocation& inv) {
  return inv.mode == Invocation::Mode::kReport && inv.report_code != '#';
}

std::string WithSeparator(std::string dir) {
  if (dir.back() != '\\' && dir.back() != '/') dir += '\\';
  return dir;
}

}  // namespace

std::optional<std::string> KnownDatabaseDir(const Invocation& inv) {
  const HostSettings& s = inv.settings;
  if (s.control && s.control->size() >= 2 && !(*s.control)[1].empty()) return (*s.control)[1];
  if (inv.init && s.database_dir && !s.database_dir->empty()) return *s.database_dir;
  return std::nullopt;
}

void CheckSurroundings(const Invocation& inv) {
  const HostSettings& s = inv.settings;
  if (!s.root.empty() && !platform::DirectoryExists(s.root))
    throw UsageError("the root directory " + s.root + " does not exist");
  if (!IsStationReport(inv)) return;
  const std::optional<std::string> dir = KnownDatabaseDir(inv);
  if (!dir)
    throw UsageError(
        "no station database directory is known: give --database-dir DIR (or "
        "the directory in --control 0,DIR)");
  if (!platform::DirectoryExists(*dir))
    throw UsageError("the station database directory " + platform::MapPath(*dir) +
                     " does not exist");
  const std::string file = WithSeparator(*dir) + kStationDatabaseFile;
  if (!platform::FileExists(file))
    throw UsageError(std::string("the station database directory holds no ") +
                     kStationDatabaseFile + ": " + platform::MapPath(file));
  if (inv.report_code == '0' && inv.params.size() >= 5 && !inv.params[4].text.empty() &&
      !platform::DirectoryExists(inv.params[4].text))
    throw UsageError("the shop database directory " + platform::MapPath(inv.params[4].text) +
                     " does not exist");
}

void UseRoot(const HostSettings& settings) {
  if (!settings.root.empty()) platform::SetEnvironmentVariable("KVR_ROOT", settings.root);
}

}  // namespace kvr::host
