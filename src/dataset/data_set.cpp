#include "dataset/data_set.h"

#include <cstring>
#include <utility>

#include "codepage/code_page.h"
#include "common/format_text.h"

namespace kvr {

TDataSet::TDataSet() = default;

TDataSet::~TDataSet() = default;

// ---------------------------------------------------------------- life cycle

void TDataSet::Open() {
  if (Active()) return;
  Fire(BeforeOpen);
  try {
    InternalOpen();
    CreateDataFields();
    AllocateBuffers();
    SetState(DataSetState::Browse);
    InternalFirst();
    cursor_synced_ = false;
    has_record_ = Fetch(GetMode::Next) == GetResult::Ok;
    bof_ = true;
    eof_ = !has_record_;
  } catch (...) {
    state_ = DataSetState::Inactive;
    has_record_ = false;
    if (IsCursorOpen()) InternalClose();
    DestroyDataFields();
    throw;
  }
  Fire(AfterOpen);
  if (has_record_) DoAfterScroll();
}

void TDataSet::Close() {
  if (!Active()) return;
  Fire(BeforeClose);
  SetState(DataSetState::Inactive);
  InternalClose();
  DestroyDataFields();
  active_.data.reset();
  spare_.data.reset();
  has_record_ = false;
  bof_ = eof_ = true;
  cursor_synced_ = false;
  Fire(AfterClose);
}

void TDataSet::CloseNoThrow() noexcept {
  try {
    Close();
  } catch (...) {
    // The callers cannot report it; the descendant releases its data anyway.
  }
}

void TDataSet::CheckActive() const {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) throw EDatabaseError("Cannot modify a read-only dataset");
}

void TDataSet::SetState(DataSetState state) {
  if (state_ != state) {
    state_ = state;
    modified_ = false;
  }
}

void TDataSet::AllocateBuffers() {
  buffer_size_ = RecordBufferSize();
  const std::size_t size = buffer_size_ ? buffer_size_ : 1;
  active_.data = std::make_unique<char[]>(size);
  spare_.data = std::make_unique<char[]>(size);
  active_.flag = spare_.flag = BookmarkFlag::Current;
}

// ---------------------------------------------------------------- fields

void TDataSet::CreateDataFields() {
  DestroyDataFields();
  fields_.reserve(static_cast<std::size_t>(field_defs_.Count()) + calculated_fields_.size());
  for (const TFieldDef& def : field_defs_) {
    const bool sized = NativeKind(def.DataType()) == ValueKind::Text;
    fields_.push_back(std::make_unique<TField>(*this, def.Name(), def.DataType(),
                                               sized ? def.Size() : 0, def.FieldNo()));
  }
  for (auto& field : calculated_fields_) fields_.push_back(std::move(field));
  calculated_fields_.clear();
  Reindex();
}

void TDataSet::DestroyDataFields() {
  for (auto& field : fields_)
    if (field->GetFieldKind() == FieldKind::Calculated)
      calculated_fields_.push_back(std::move(field));
  fields_.clear();
}

void TDataSet::Reindex() {
  for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->SetIndex(static_cast<int>(i));
}

TField* TDataSet::FindField(std::string_view name) const {
  for (const auto& field : fields_)
    if (codepage::AnsiSameText(field->FieldName(), name)) return field.get();
  return nullptr;
}

TField& TDataSet::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (!field) throw EDatabaseError(Format("Field '%s' not found", {name}));
  return *field;
}

TField& TDataSet::AddCalculatedField(std::string_view name, FieldType type, int size) {
  if (Active()) throw EDatabaseError("Cannot perform this operation on an open dataset");
  calculated_fields_.push_back(
      std::make_unique<TField>(*this, std::string(name), type, size, 0, FieldKind::Calculated));
  return *calculated_fields_.back();
}

bool TDataSet::ReadField(const TField& field, FieldValue* value) {
  if (!Active()) throw EDatabaseError("Cannot perform this operation on a closed dataset");
  if (field.GetFieldKind() == FieldKind::Calculated) {
    if (!has_record_ && state_ == DataSetState::Browse) return false;
    if (value && !field.calculated_null_) *value = field.calculated_;
    return !field.calculated_null_;
  }
  return GetFieldData(field, value);
}

void TDataSet::WriteField(TField& field, const FieldValue* value) {
  if (field.GetFieldKind() == FieldKind::Calculated) {
    if (state_ != DataSetState::CalcFields && state_ != DataSetState::Edit &&
        state_ != DataSetState::Insert)
      throw EDatabaseError("Dataset not in edit or insert mode");
    field.calculated_null_ = value == nullptr;
    if (value) field.calculated_ = *value;
    return;
  }
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert)
    throw EDatabaseError("Dataset not in edit or insert mode");
  SetFieldData(field, value);
  modified_ = true;
}

void TDataSet::CalculateFields() {
  if (!OnCalcFields) return;
  bool any = false;
  for (const auto& field : fields_) {
    if (field->GetFieldKind() != FieldKind::Calculated) continue;
    field->calculated_null_ = true;
    any = true;
  }
  if (!any) return;
  DataSetState saved = state_;
  state_ = DataSetState::CalcFields;
  try {
    OnCalcFields(*this);
  } catch (...) {
    state_ = saved;
    throw;
  }
  state_ = saved;
}

// ---------------------------------------------------------------- cursor and buffers

const char* TDataSet::CurrentRecordBuffer() const {
  if (!Active()) return nullptr;
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert ||
      state_ == DataSetState::CalcFields)
    return active_.data.get();
  return has_record_ ? active_.data.get() : nullptr;
}

GetResult TDataSet::Fetch(GetMode mode) {
  GetResult result = GetRecord(spare_.data.get(), mode, false);
  if (result == GetResult::Ok) {
    std::swap(active_, spare_);
    active_.flag = BookmarkFlag::Current;
    cursor_synced_ = true;
    has_record_ = true;
    CalculateFields();
  } else if (mode != GetMode::Current) {
    cursor_synced_ = false;  // the descendant's cursor ran past an end
  }
  return result;
}

void TDataSet::UpdateCursorPos() {
  if (cursor_synced_) return;
  if (!has_record_ && state_ == DataSetState::Browse) {
    InternalFirst();
  } else {
    switch (active_.flag) {
      case BookmarkFlag::Current:
      case BookmarkFlag::Inserted: InternalSetToRecord(active_.data.get()); break;
      case BookmarkFlag::Bof: InternalFirst(); break;
      case BookmarkFlag::Eof: InternalLast(); break;
    }
  }
  cursor_synced_ = true;
}

void TDataSet::Resync() {
  if (Fetch(GetMode::Current) == GetResult::Ok || Fetch(GetMode::Next) == GetResult::Ok ||
      Fetch(GetMode::Prior) == GetResult::Ok) {
    bof_ = eof_ = false;
    return;
  }
  has_record_ = false;
  bof_ = eof_ = true;
  cursor_synced_ = false;
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync();
}

// ---------------------------------------------------------------- navigation

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalFirst();
  cursor_synced_ = false;
  if (Fetch(GetMode::Next) == GetResult::Ok) {
    eof_ = false;
  } else {
    has_record_ = false;
    eof_ = true;
  }
  bof_ = true;
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  InternalLast();
  cursor_synced_ = false;
  if (Fetch(GetMode::Prior) == GetResult::Ok) {
    bof_ = false;
  } else {
    has_record_ = false;
    bof_ = true;
  }
  eof_ = true;
  DoAfterScroll();
}

void TDataSet::Next() {
  CheckBrowseMode();
  if (eof_) return;
  DoBeforeScroll();
  UpdateCursorPos();
  if (Fetch(GetMode::Next) == GetResult::Ok)
    bof_ = false;
  else
    eof_ = true;
  DoAfterScroll();
}

void TDataSet::Prior() {
  CheckBrowseMode();
  if (bof_) return;
  DoBeforeScroll();
  UpdateCursorPos();
  if (Fetch(GetMode::Prior) == GetResult::Ok)
    eof_ = false;
  else
    bof_ = true;
  DoAfterScroll();
}

bool TDataSet::FindRecord(bool restart, bool forward) {
  CheckBrowseMode();
  DoBeforeScroll();
  found_ = false;
  UpdateCursorPos();
  if (restart) forward ? InternalFirst() : InternalLast();
  finding_ = true;
  GetResult result;
  try {
    result = Fetch(forward ? GetMode::Next : GetMode::Prior);
  } catch (...) {
    finding_ = false;
    throw;
  }
  finding_ = false;
  if (result != GetResult::Ok) {
    cursor_synced_ = false;
    return false;
  }
  bof_ = eof_ = false;
  found_ = true;
  DoAfterScroll();
  return true;
}

int TDataSet::RecNo() {
  if (!Active()) return -1;
  if (state_ == DataSetState::Browse) UpdateCursorPos();
  return GetRecNo();
}

void TDataSet::SetRecNo(int rec_no) {
  CheckBrowseMode();
  DoBeforeScroll();
  if (InternalSetRecNo(rec_no)) {
    cursor_synced_ = false;
    Resync();
  }
  DoAfterScroll();
}

TBookmark TDataSet::GetBookmark() const {
  if (!has_record_ || BookmarkSize() == 0 || state_ == DataSetState::Inactive) return {};
  TBookmark bookmark(BookmarkSize());
  GetBookmarkData(active_.data.get(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  CheckBrowseMode();
  if (bookmark.size() != BookmarkSize()) throw EDatabaseError("Invalid bookmark");
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  cursor_synced_ = false;
  Resync();
  DoAfterScroll();
}

// ---------------------------------------------------------------- editing

void TDataSet::CheckBrowseMode() {
  CheckActive();
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) Post();
}

void TDataSet::InitNewRecord() {
  InternalInitRecord(active_.data.get());
  for (const auto& field : fields_)
    if (field->GetFieldKind() == FieldKind::Calculated) field->calculated_null_ = true;
}

void TDataSet::BeginInsertAppend() {
  CheckBrowseMode();
  CheckCanModify();
  Fire(BeforeInsert);
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(DataSetState::Insert);
  try {
    Fire(OnNewRecord);
  } catch (...) {
    UpdateCursorPos();
    SetState(DataSetState::Browse);
    Resync();
    throw;
  }
  modified_ = false;
  Fire(AfterInsert);
  DoAfterScroll();
}

void TDataSet::Append() {
  BeginInsertAppend();
  InitNewRecord();
  active_.flag = BookmarkFlag::Eof;
  InternalLast();
  cursor_synced_ = true;
  bof_ = eof_ = false;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  UpdateCursorPos();
  TBookmark before = GetBookmark();
  const bool had_record = has_record_;
  InitNewRecord();
  if (!had_record || before.empty()) {
    active_.flag = had_record ? BookmarkFlag::Eof : BookmarkFlag::Bof;
  } else {
    SetBookmarkData(active_.data.get(), before.data());
    active_.flag = BookmarkFlag::Inserted;
  }
  cursor_synced_ = false;
  bof_ = eof_ = false;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (state_ == DataSetState::Edit || state_ == DataSetState::Insert) return;
  CheckActive();
  if (!has_record_) return Insert();
  CheckCanModify();
  Fire(BeforeEdit);
  CheckOperation(&TDataSet::InternalEdit, OnEditError);
  SetState(DataSetState::Edit);
  Fire(AfterEdit);
}

void TDataSet::Post() {
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  Fire(BeforePost);
  CheckOperation(&TDataSet::InternalPost, OnPostError);
  SetState(DataSetState::Browse);
  cursor_synced_ = true;  // InternalPost leaves the cursor on the stored record
  Resync();
  Fire(AfterPost);
}

void TDataSet::Cancel() {
  if (state_ != DataSetState::Edit && state_ != DataSetState::Insert) return;
  Fire(BeforeCancel);
  UpdateCursorPos();
  InternalCancel();
  SetState(DataSetState::Browse);
  Resync();
  Fire(AfterCancel);
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == DataSetState::Insert) return Cancel();
  if (!has_record_) throw EDatabaseError("Cannot perform this operation on an empty dataset");
  CheckCanModify();
  if (state_ == DataSetState::Edit) Cancel();
  Fire(BeforeDelete);
  DoBeforeScroll();
  CheckOperation(&TDataSet::InternalDelete, OnDeleteError);
  SetState(DataSetState::Browse);
  Resync();
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::CheckOperation(void (TDataSet::*operation)(), const ErrorEvent& on_error) {
  for (;;) {
    try {
      UpdateCursorPos();
      (this->*operation)();
      return;
    } catch (EDatabaseError& error) {
      DataAction action = DataAction::Fail;
      if (on_error) on_error(*this, error, action);
      if (action == DataAction::Fail) throw;
      if (action == DataAction::Abort) throw EAbort("Operation aborted");
      // Retry: go round again.
    }
  }
}

// ---------------------------------------------------------------- default hooks

void TDataSet::SetFieldData(TField&, const FieldValue*) {
  throw EDatabaseError("Cannot modify a read-only dataset");
}

void TDataSet::InternalInitRecord(char* buffer) { std::memset(buffer, 0, buffer_size_); }

void TDataSet::InternalPost() { throw EDatabaseError("Cannot modify a read-only dataset"); }

void TDataSet::InternalDelete() { throw EDatabaseError("Cannot modify a read-only dataset"); }

void TDataSet::GetBookmarkData(const char*, char*) const {}

void TDataSet::SetBookmarkData(char*, const char*) {}

void TDataSet::InternalGotoBookmark(const char*) {
  throw EDatabaseError("Bookmarks are not supported by this dataset");
}

void TDataSet::InternalSetToRecord(const char* buffer) {
  if (BookmarkSize() == 0) return;
  TBookmark bookmark(BookmarkSize());
  GetBookmarkData(buffer, bookmark.data());
  InternalGotoBookmark(bookmark.data());
}

}  // namespace kvr
