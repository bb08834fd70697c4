#include "reports/export_conventions.h"

#include <chrono>
#include <exception>
#include <memory>
#include <optional>

#include "codepage/code_page.h"
#include "common/exceptions.h"
#include "common/format_text.h"
#include "common/text.h"
#include "common/trim.h"
#include "dbf/file_save.h"
#include "firebird/ib_dataset.h"
#include "platform/directory_listing.h"
#include "platform/file_system.h"
#include "platform/named_mutex.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/wait_limits.h"
#include "reports/copy_dataset.h"

namespace kvr::reports {

using namespace kvr::literals;

const char* const kExportDirectory = "C:\\MOLT\\EXPORT\\";

namespace {

// The fuel-name map prepared once per replacement run.
using FuelNameEntry = FuelNameReplacer::Entry;

std::vector<FuelNameEntry> ParseFuelNameMap(const std::vector<std::string>& lines) {
  std::vector<FuelNameEntry> entries;
  entries.reserve(lines.size());
  for (const std::string& line : lines) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;  // a line without '=' names nothing
    entries.push_back(
        {line.substr(0, eq), std::string(Trim(std::string_view(line).substr(eq + 1)))});
  }
  return entries;
}

// The named cross-process lock of one export file, held from the delete of the old file to the
// rename of the new one: a second process writing the same export waits, so it neither deletes
// the first one's file under it nor has its own replaced unseen. Without a lock (the mutex
// cannot be made) the export runs as the other shared files do, unlocked. A holder that keeps
// it past KVR_EXPORT_LOCK_TIMEOUT fails this export before it touches the file.
class ExportFileLock {
 public:
  explicit ExportFileLock(const std::string& path)
      : mutex_(platform::NamedMutex::OpenMachineWide(ExportFileMutexName(path))) {
    if (!mutex_) return;
    const std::chrono::milliseconds limit = platform::WaitLimit(platform::kExportLockLimit);
    lock_.emplace(*mutex_, limit);
    if (lock_->result() == platform::WaitResult::kTimedOut)
      throw Exception(platform::LockTimeoutMessage("export file lock", *mutex_, limit));
  }

 private:
  std::unique_ptr<platform::NamedMutex> mutex_;
  std::optional<platform::NamedMutexLock> lock_;
};

// Files an earlier save of this export left when its process was killed between writing them
// aside and renaming them: called under the export's mutex, when no other save of this export
// runs, so every such file is one nobody will rename any more.
void DeleteLeftoverSaves(const std::string& path) {
  const std::string directory = platform::ExtractFilePath(path);
  const std::string prefix = platform::ExtractFileName(path) + ".";
  for (const std::string& name : platform::ListFileNames(directory))
    if (name.compare(0, prefix.size(), prefix) == 0 && IsTemporarySaveName(name) &&
        name.find('.', prefix.size()) == name.size() - 4)
      platform::DeleteFile(directory + name);  // one that stays costs only its space
}

}  // namespace

std::string ExportFileMutexName(std::string_view path) {
  // The native path: two roots that map the same Windows path to different files do not wait
  // for each other.
  return "KVRExportFile " + platform::MapPath(path);
}

std::string ExportPath(std::string_view file_name) {
  std::string path = kExportDirectory;
  path += file_name;
  return path;
}

void DeleteOldExport(const std::string& path, DeleteMessage message) {
  // A directory standing under the file's name counts as a file that cannot be deleted.
  if (!platform::FileExists(path) && !platform::DirectoryExists(path)) return;
  if (platform::DeleteFile(path)) return;
  std::string error = platform::SysErrorMessage(platform::GetLastError());
  std::string_view format =
      message == DeleteMessage::kTemporaryFile
          ? "Возникла ошибка при попытке удаления временного файла \"%s\": %s"_w
          : "Не удалось удалить старый экспортный файл \"%s\": %s"_w;
  // The message names the file as it is on this machine, like every other file error.
  throw Exception(Format(format, {platform::MapPath(path), error}));
}

void RunExport(const ExportSpec& spec, const std::function<void(TMemDBFTable&)>& fill) {
  try {
    const std::string path = ExportPath(spec.file_name);
    const ExportFileLock lock(path);
    DeleteOldExport(path, spec.delete_message);
    DeleteLeftoverSaves(path);
    auto table = std::make_unique<TMemDBFTable>();
    table->WriteAheadTo(path);  // a large table goes to the disk while it fills
    fill(*table);
    table->SaveToFile(path);
  } catch (...) {
    ChainException(spec.context);
  }
}

FuelNameReplacer::FuelNameReplacer(TMemDBFTable& table, std::string_view field_name,
                                   const ExportSettings& settings) {
  if (!settings.gsm_tbl || settings.fuel_name_map.empty()) return;
  map_ = ParseFuelNameMap(settings.fuel_name_map);
  field_ = &table.FieldByName(field_name);  // absent: raised even when no line names a fuel
}

FuelNameReplacer::~FuelNameReplacer() = default;

const std::string* FuelNameReplacer::ReplacementForCurrent() const {
  if (!field_) return nullptr;
  const std::string current = field_->AsString();
  for (const Entry& entry : map_) {
    if (!codepage::AnsiSameText(entry.name, current)) continue;
    // The first line of that name decides.
    return entry.replacement.empty() || entry.replacement == current ? nullptr : &entry.replacement;
  }
  return nullptr;
}

void FuelNameReplacer::Apply() const {
  if (const std::string* replacement = ReplacementForCurrent()) field_->SetAsString(*replacement);
}

std::vector<bool> ProbeColumns(TIBDataSet& query, std::string_view sql,
                               std::initializer_list<std::string_view> columns) {
  query.Close();
  query.SelectSQL().SetText(sql);
  query.Open();
  std::vector<bool> found;
  found.reserve(columns.size());
  for (std::string_view column : columns) found.push_back(query.FindField(column) != nullptr);
  query.Close();
  query.SelectSQL().Clear();
  return found;
}

void CopyDataSetReplacingFuelNames(TDataSet& source, TMemDBFTable& table, bool use_us_date_time,
                                   const ExportSettings& settings, RowExpansion* expansion) {
  // A missing field is raised once every row is copied, where the export has always met it.
  std::optional<FuelNameReplacer> replacer;
  std::exception_ptr missing_field;
  try {
    replacer.emplace(table, "GSMName", settings);
  } catch (...) {
    missing_field = std::current_exception();
  }
  CopyOptions options{.use_us_date_time = use_us_date_time, .expansion = expansion};
  if (replacer && replacer->Active()) options.before_post = [&] { replacer->Apply(); };
  CopyDataSet(source, table, options);
  if (missing_field) std::rethrow_exception(missing_field);
}

void CopyQueryToTable(TIBDataSet& query, TMemDBFTable& table, bool use_us_date_time,
                      const std::function<void(TFieldDefs&)>& adjust,
                      const ExportSettings* fuel_names, RowExpansion* expansion) {
  query.Open();
  table.FieldDefs().Assign(query.FieldDefs());
  if (adjust) adjust(table.FieldDefs());
  table.CreateTable();
  table.Open();
  if (fuel_names)
    CopyDataSetReplacingFuelNames(query, table, use_us_date_time, *fuel_names, expansion);
  else
    CopyDataSet(query, table, {.use_us_date_time = use_us_date_time, .expansion = expansion});
}

}  // namespace kvr::reports
