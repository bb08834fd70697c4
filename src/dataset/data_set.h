// TDataSet: the small dataset framework that tables and query results derive from. It owns
// the field definitions, the field objects, the edit state machine, navigation, the events
// and one active record buffer; a descendant owns the data and the cursor over it.
//
// How a descendant plugs in
// -------------------------
// The framework keeps the *active record* in a byte buffer of RecordBufferSize() bytes whose
// layout is entirely the descendant's (record text, row image, bookmark...). It never looks
// inside; it only asks the descendant to
//   - open and close its data (InternalOpen fills FieldDefs(); InternalClose releases),
//   - move its cursor (InternalFirst: before the first record, InternalLast: after the last,
//     InternalSetToRecord: to the record held in a buffer) and copy records into a buffer
//     (GetRecord with GetMode::Current/Next/Prior; a refused or missing record is an error,
//     BOF or EOF result, and then the buffer must be left untouched or be scratch),
//   - read and write one field of the active record (GetFieldData/SetFieldData; a
//     FieldValue carries the value in the field's native kind, so no row allocates),
//   - and, for writable descendants, store the edited buffer (InternalPost, InternalDelete...).
// The framework fetches into a spare buffer and swaps it in only when a record was found, so
// a fetch that fails never destroys the active record. It remembers whether the descendant's
// cursor still stands on the active record and calls InternalSetToRecord (or InternalFirst /
// InternalLast for buffers flagged BOF / EOF) before any operation that needs it.
//
// A read-only descendant overrides only the pure virtual functions; CanModify() false makes
// the framework refuse Append/Insert/Edit/Delete with "Cannot modify a read-only dataset".
// Descendants must call Close() in their own destructor (the framework's destructor cannot
// reach their overrides any more).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/exceptions.h"
#include "common/variant.h"
#include "dataset/field.h"
#include "dataset/field_defs.h"

namespace kvr {

// Raised to end an operation silently (an error handler chose DataAction::Abort).
KVR_DECLARE_EXCEPTION(EAbort, Exception);

enum class DataSetState : std::uint8_t { Inactive, Browse, Edit, Insert, CalcFields };
enum class GetMode : std::uint8_t { Current, Next, Prior };
enum class GetResult : std::uint8_t { Ok, Bof, Eof, Error };
// Where a buffer stands: on a stored record, before the first, after the last, or a new
// record that will be inserted before the record its bookmark names.
enum class BookmarkFlag : std::uint8_t { Current, Bof, Eof, Inserted };
enum class DataAction : std::uint8_t { Fail, Abort, Retry };

struct LocateOptions {
  bool case_insensitive = false;
  bool partial_key = false;
};
struct FilterOptions {
  bool case_insensitive = false;
  bool no_partial_compare = false;
};

using TBookmark = std::vector<char>;

class TDataSet {
 public:
  using NotifyEvent = std::function<void(TDataSet&)>;
  using ErrorEvent = std::function<void(TDataSet&, EDatabaseError&, DataAction&)>;

  TDataSet();
  TDataSet(const TDataSet&) = delete;
  TDataSet& operator=(const TDataSet&) = delete;
  virtual ~TDataSet();

  // --- life cycle
  void Open();
  void Close();
  bool Active() const { return state_ != DataSetState::Inactive; }
  void SetActive(bool active) { active ? Open() : Close(); }
  DataSetState State() const { return state_; }

  // --- navigation
  void First();
  void Last();
  void Next();
  void Prior();
  bool Eof() const { return eof_; }
  bool Bof() const { return bof_; }
  // True when there is no current record to show (an empty or wholly filtered dataset).
  bool IsEmpty() const { return !has_record_ && state_ == DataSetState::Browse; }
  // Re-reads the current record from the descendant (after its data changed underneath).
  void Refresh();

  // --- editing
  void Append();
  void Insert();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  // Posts a pending edit or insert; raises when the dataset is not active.
  void CheckBrowseMode();
  // A field of the record being edited or inserted was assigned since Edit/Append/Insert.
  bool Modified() const { return modified_; }
  virtual bool CanModify() const { return true; }

  // --- fields
  TFieldDefs& FieldDefs() { return field_defs_; }
  const TFieldDefs& FieldDefs() const { return field_defs_; }
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TField& Fields(int index) const { return *fields_.at(index); }
  // Letter case is ignored (Windows-1251). FieldByName raises EDatabaseError
  // "Field '<name>' not found"; FindField returns nullptr.
  TField& FieldByName(std::string_view name) const;
  TField* FindField(std::string_view name) const;
  // A field whose value OnCalcFields computes for every record; add while closed.
  TField& AddCalculatedField(std::string_view name, FieldType type, int size = 0);

  // --- filtering and searching (what the filter text means is the descendant's business)
  const std::string& Filter() const { return filter_; }
  virtual void SetFilter(std::string_view filter) { filter_ = filter; }
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool filtered) { filtered_ = filtered; }
  const FilterOptions& GetFilterOptions() const { return filter_options_; }
  void SetFilterOptions(FilterOptions options) { filter_options_ = options; }
  bool FindFirst() { return FindRecord(true, true); }
  bool FindLast() { return FindRecord(true, false); }
  bool FindNext() { return FindRecord(false, true); }
  bool FindPrior() { return FindRecord(false, false); }
  bool Found() const { return found_; }
  // Key fields separated by ';'; key values one value or a variant array of as many. Moves to
  // the first matching record and returns true, or returns false and stays where it was.
  // The generic version scans with First/Next comparing field values as variants.
  virtual bool Locate(std::string_view key_fields, const Variant& key_values,
                      LocateOptions options = {});

  // --- position
  // 1-based number of the current record as the descendant counts it (-1 when unknown).
  int RecNo();
  void SetRecNo(int rec_no);
  int RecordCount() const { return Active() ? GetRecordCount() : 0; }
  // Empty when there is no current record or the descendant has no bookmarks.
  TBookmark GetBookmark() const;
  void GotoBookmark(const TBookmark& bookmark);

  // --- events
  NotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  NotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  NotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  NotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  ErrorEvent OnDeleteError, OnEditError, OnPostError;
  NotifyEvent OnNewRecord, OnCalcFields;

 protected:
  // --- what every descendant provides
  virtual std::size_t RecordBufferSize() const = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual GetResult GetRecord(char* buffer, GetMode mode, bool do_check) = 0;
  // Reads a data field of the current record (CurrentRecordBuffer()); value nullptr asks
  // only whether the field has a value. Returns false for null.
  virtual bool GetFieldData(const TField& field, FieldValue* value) = 0;

  // --- what writable descendants and descendants with bookmarks provide
  // Writes a data field into the active buffer; value nullptr clears it (null).
  virtual void SetFieldData(TField& field, const FieldValue* value);
  virtual void InternalInitRecord(char* buffer);
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  virtual void InternalPost();
  virtual void InternalCancel() {}
  virtual void InternalDelete();
  virtual void InternalRefresh() {}
  virtual std::size_t BookmarkSize() const { return 0; }
  virtual void GetBookmarkData(const char* buffer, char* bookmark) const;
  virtual void SetBookmarkData(char* buffer, const char* bookmark);
  virtual void InternalGotoBookmark(const char* bookmark);
  // Default: InternalGotoBookmark with the buffer's bookmark.
  virtual void InternalSetToRecord(const char* buffer);
  virtual int GetRecordCount() const { return -1; }
  virtual int GetRecNo() const { return -1; }
  // Positions the cursor so that a Resync makes record rec_no (1-based; 0 = before the first)
  // current; returns false to ignore the request (the framework then does not move).
  virtual bool InternalSetRecNo(int /*rec_no*/) { return false; }
  // Default: moves one record in the direction, from the first/last when restart, with
  // IsFinding() true during the fetch so the descendant applies its filter.
  virtual bool FindRecord(bool restart, bool forward);

  // --- services for descendants
  char* ActiveBuffer() const { return active_.data.get(); }
  // The active buffer when it holds a record (or one being edited/inserted), else nullptr.
  const char* CurrentRecordBuffer() const;
  BookmarkFlag ActiveBookmarkFlag() const { return active_.flag; }
  // True while FindFirst/FindNext/... fetch records: filter them even when not Filtered.
  bool IsFinding() const { return finding_; }
  // Re-reads the record at the descendant's cursor (or the nearest visible one) into the
  // active buffer; the dataset becomes empty when there is none.
  void Resync();
  // Moves the descendant's cursor onto the active record if it has left it.
  void UpdateCursorPos();
  // Tells the framework the descendant's cursor no longer stands on the active record.
  void CursorPosChanged() { cursor_synced_ = false; }
  void DoBeforeScroll() { Fire(BeforeScroll); }
  void DoAfterScroll() { Fire(AfterScroll); }
  void SetFound(bool found) { found_ = found; }
  // Close for the paths that must not throw (destructors, a connection or transaction going
  // away, a changed SQL text): a failure in the close events is dropped.
  void CloseNoThrow() noexcept;

 private:
  friend class TField;
  struct Buffer {
    std::unique_ptr<char[]> data;
    BookmarkFlag flag = BookmarkFlag::Current;
  };

  void Fire(const NotifyEvent& event) {
    if (event) event(*this);
  }
  void CheckActive() const;
  void CheckCanModify() const;
  // GetRecord into the spare buffer; on Ok swaps it in as the active record.
  GetResult Fetch(GetMode mode);
  void CreateDataFields();
  void DestroyDataFields();
  void AllocateBuffers();
  void InitNewRecord();
  void BeginInsertAppend();
  void EndInsertAppend();
  void SetState(DataSetState state);
  void CalculateFields();
  void CheckOperation(void (TDataSet::*operation)(), const ErrorEvent& on_error);
  void Reindex();
  // Field access from TField. A read is not const: it asks the descendant, whose
  // GetFieldData may use its connection (a blob) or its buffers.
  bool ReadField(const TField& field, FieldValue* value);
  void WriteField(TField& field, const FieldValue* value);

  DataSetState state_ = DataSetState::Inactive;
  TFieldDefs field_defs_;
  std::vector<std::unique_ptr<TField>> fields_;             // data fields, then calculated
  std::vector<std::unique_ptr<TField>> calculated_fields_;  // kept while closed
  Buffer active_;
  Buffer spare_;
  std::size_t buffer_size_ = 0;
  bool has_record_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool cursor_synced_ = false;
  bool modified_ = false;
  bool finding_ = false;
  bool found_ = false;
  std::string filter_;
  bool filtered_ = false;
  FilterOptions filter_options_;
};

}  // namespace kvr
