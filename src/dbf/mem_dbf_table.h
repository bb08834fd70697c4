// TMemDBFTable: a whole DBF table held in memory as a dataset. Exports define its fields,
// CreateTable (usually with an empty file name: the empty table stays in memory), Open,
// Append/Post records through the fields, and SaveToFile once at the end. A file can also be
// opened (FileName, Open) and searched with Locate and the filter.
//
// Text fields are held in the file's code page: with OEM on (the default) code page 866,
// converted from and to Windows-1251 at every field access.
//
// Filter text: "<field> <op> <value>" with op one of >= <= <> > < = (the first of these, in
// that order, found anywhere in the text decides). An unknown field or no operator lets every
// record pass. Strings: '=' means "contains" unless FilterOptions.no_partial_compare;
// numbers accept '.' or ',' as the decimal point; dates in the filter are "dd.mm.yyyy".
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "dataset/data_set.h"
#include "dbf/dbf_access.h"
#include "dbf/dbf_filter.h"
#include "dbf/memory_stream.h"

namespace kvr {

namespace platform {
class FileStream;
}
class RecordWriteAhead;

class TMemDBFTable : public TDataSet {
 public:
  TMemDBFTable();
  ~TMemDBFTable() override;

  // Makes a new empty table with the given fields, or with fields built from FieldDefs()
  // when the list is empty. An empty file name keeps the new file in memory for the next
  // Open; otherwise it is written and becomes FileName.
  void CreateTable(std::string_view file_name = {}, const DBFFieldList* fields = nullptr);
  // Writes the table (FileName when the name is empty), with a backup when MakeBackup.
  void SaveToFile(std::string_view file_name = {});
  // Lets a later SaveToFile(file_name) begin while the table fills: once the records added
  // make a few megabytes, they are written to the file's temporary copy on a thread of its own
  // while more are added, and the save writes only the rest. The file is the same. A change to
  // a record already written, or a save under another name, writes the file whole as without
  // this. Holds from the next open (or at once on an open table); an empty name ends it.
  void WriteAheadTo(std::string_view file_name);

  // --- properties
  std::string About() const;
  const std::string& FileName() const { return file_name_; }
  void SetFileName(std::string_view file_name);
  bool MakeBackup() const { return make_backup_; }
  void SetMakeBackup(bool make_backup) { make_backup_ = make_backup; }
  bool ShowDeleted() const { return show_deleted_; }
  void SetShowDeleted(bool show_deleted);
  bool PackOnSave() const { return access_.PackOnSave(); }
  void SetPackOnSave(bool pack) { access_.SetPackOnSave(pack); }
  bool OEM() const { return oem_; }
  void SetOEM(bool oem) { oem_ = oem; }
  void SetFiltered(bool filtered) override;
  void SetFilter(std::string_view filter) override;
  // "Unknown" before the first open, then "dBase III+", "dBase IV", "dBase/Win" or "dBase ?".
  const std::string& VersionText() const { return version_text_; }
  // The header's date of last update as "dd.mm.yyyy" (empty before the first open).
  const std::string& LastUpdateText() const { return last_update_text_; }
  TDBFError OnDBFError;
  // The first 512 bytes of the memo file, read at open when the table has one.
  const std::string& MemoHeader() const { return memo_header_; }
  const TDBFStructure& Structure() const { return access_.Structure(); }
  // The table's records changed since open or the last post (posts, deletions).
  bool TableModified() const { return table_modified_; }

  bool Locate(std::string_view key_fields, const Variant& key_values,
              LocateOptions options = {}) override;
  // The error handler: calls OnDBFError, or shows a message box captioned "Error".
  void DBFError(std::string_view message);

 protected:
  std::size_t RecordBufferSize() const override;
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override;
  void InternalFirst() override;
  void InternalLast() override;
  GetResult GetRecord(char* buffer, GetMode mode, bool do_check) override;
  bool GetFieldData(const TField& field, FieldValue* value) override;
  void SetFieldData(TField& field, const FieldValue* value) override;
  void InternalInitRecord(char* buffer) override;
  void InternalInsert() override;
  void InternalPost() override;
  void InternalCancel() override;
  void InternalDelete() override;
  std::size_t BookmarkSize() const override { return sizeof(std::int32_t); }
  void GetBookmarkData(const char* buffer, char* bookmark) const override;
  void SetBookmarkData(char* buffer, const char* bookmark) override;
  void InternalGotoBookmark(const char* bookmark) override;
  void InternalSetToRecord(const char* buffer) override;
  int GetRecordCount() const override;
  int GetRecNo() const override;
  bool InternalSetRecNo(int rec_no) override;

 private:
  void InternalInitFieldDefs();
  void OpenMemoFile();
  void StartWriteAhead();
  // Whether navigation shows the record (deletion flag, filter, a record Locate found).
  bool Accepted(int index) const;
  const TDBFField& DBFFieldOf(const TField& field) const;
  bool KeyMatches(const TField& field, std::string_view record, const Variant& key,
                  const LocateOptions& options);
  void GotoIndex(int index);

  TDBFAccess access_;
  DBFRecordList* records_ = nullptr;  // the access object's list while a table is loaded
  std::size_t data_size_ = 0;         // record length: flag + every field
  int cursor_ = -1;
  std::int32_t last_identity_ = 0;
  std::string file_name_;
  std::string version_text_ = "Unknown";
  std::string last_update_text_;
  std::string memo_file_name_;
  std::string memo_header_;
  bool make_backup_ = false;
  bool show_deleted_ = false;
  bool table_modified_ = false;
  bool oem_ = true;
  std::unique_ptr<TMemoryStream> pending_stream_;
  std::unique_ptr<platform::FileStream> memo_stream_;
  // Parsed Filter(), made on the first record a filter looks at and dropped when it changes.
  mutable std::unique_ptr<DBFFilter> filter_;
  int located_ = -1;      // a record Locate found, shown even when hidden
  FieldValue key_value_;  // scratch for Locate
  std::string write_ahead_name_;
  std::unique_ptr<RecordWriteAhead> write_ahead_;  // watches *records_: goes before it
};

}  // namespace kvr
