// What every export shares: where its file goes, how the old file is removed, the error
// context every failure is wrapped in, fuel-name replacement and the column probe.
//
// An export is written as a call of RunExport with its ExportSpec and a function that fills
// the table; RunExport deletes the old file first, saves the table in one write beside its
// final name and renames it into place (so a collector never sees part of a file), and
// re-raises any failure as "<context> -> <message> <# <class> #>". From the delete to the
// rename it holds the export file's named mutex: processes writing the same export take
// turns, and each leaves a whole file.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "dbf/mem_dbf_table.h"
#include "reports/copy_dataset.h"
#include "reports/export_context.h"

namespace kvr {
class TIBDataSet;
}

namespace kvr::reports {

// "C:\MOLT\EXPORT\": where export files go (created by the dispatcher before any export).
extern const char* const kExportDirectory;

enum class DeleteMessage {
  kTemporaryFile,  // "Возникла ошибка при попытке удаления временного файла ..."
  kOldExportFile,  // "Не удалось удалить старый экспортный файл ..."
};

struct ExportSpec {
  std::string_view file_name;  // "ExportBCheck.dbf"
  std::string_view context;    // "ЭкспортЧековГСМ" (Windows-1251)
  DeleteMessage delete_message;
};

// kExportDirectory + file name.
std::string ExportPath(std::string_view file_name);

// The name of the cross-process mutex RunExport holds for the export file `path`.
std::string ExportFileMutexName(std::string_view path);

// Deletes an existing file; a failure raises Exception with the export's delete message,
// the full path and the system's text for the error.
void DeleteOldExport(const std::string& path, DeleteMessage message);

// Under the export file's mutex: deletes the old file (and what a killed save of it left
// aside: "<file name>.<pid>-<n>.tmp"), creates an empty table, lets `fill` define, create,
// open and fill it, and saves it as ExportPath(spec.file_name). Everything runs under the
// export's error context. The table is freed on every path.
void RunExport(const ExportSpec& spec, const std::function<void(TMemDBFTable&)>& fill);

// Replaces fuel names one record at a time, for a table filled row by row: Apply changes the
// text field `field_name` of the record being inserted or edited, by the first map line whose
// name matches the field's text without regard to letter case. The map is read once; nothing
// is looked up when replacement is off or the map is empty, and an absent field raises the
// table's error when the replacer is made.
class FuelNameReplacer {
 public:
  FuelNameReplacer(TMemDBFTable& table, std::string_view field_name,
                   const ExportSettings& settings);
  ~FuelNameReplacer();
  // False when replacement is off or the map is empty: Apply then does nothing.
  bool Active() const { return !map_.empty(); }
  // The text the current record's field takes, or null when it keeps its own.
  const std::string* ReplacementForCurrent() const;
  void Apply() const;

  struct Entry {
    std::string name;         // the text before the first '='
    std::string replacement;  // the text after it, trimmed
  };

 private:
  std::vector<Entry> map_;
  TField* field_ = nullptr;
};

// Opens `sql` on `query`, notes which of `columns` the result has, closes the query again and
// clears its text so that it can be reused.
std::vector<bool> ProbeColumns(TIBDataSet& query, std::string_view sql,
                               std::initializer_list<std::string_view> columns);

// CopyDataSet with the fuel names of the field "GSMName" replaced in each record as it is
// added, so that no record changes afterwards (and a large table can go to the disk while it
// fills). A table without that field gets every row and then the table's error.
void CopyDataSetReplacingFuelNames(TDataSet& source, TMemDBFTable& table, bool use_us_date_time,
                                   const ExportSettings& settings,
                                   RowExpansion* expansion = nullptr);

// The path of most exports: opens the query, copies its field definitions to the table, lets
// `adjust` change them (sizes), creates and opens the table in memory and copies every row
// (CopyDataSet; with `fuel_names`, CopyDataSetReplacingFuelNames), completed by `expansion`.
void CopyQueryToTable(TIBDataSet& query, TMemDBFTable& table, bool use_us_date_time,
                      const std::function<void(TFieldDefs&)>& adjust = {},
                      const ExportSettings* fuel_names = nullptr,
                      RowExpansion* expansion = nullptr);

}  // namespace kvr::reports
