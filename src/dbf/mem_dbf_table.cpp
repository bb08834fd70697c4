#include "dbf/mem_dbf_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "codepage/code_page.h"
#include "common/format_text.h"
#include "dataset/key_fields.h"
#include "dbf/dbf_field_codec.h"
#include "dbf/record_write_ahead.h"
#include "platform/file_stream.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/system_error.h"
#include "platform/ui_sinks.h"

namespace kvr {

namespace {

constexpr std::size_t kIdentitySize = sizeof(std::int32_t);
constexpr std::size_t kMemoHeaderSize = 512;

// One field record per definition, by the mapping of definition types to stored types.
DBFFieldList FieldsFromDefinitions(const TFieldDefs& defs) {
  DBFFieldList fields;
  std::uint32_t offset = 1;
  for (const TFieldDef& def : defs) {
    TDBFField field;
    field.Name = codepage::AnsiUpperCase(def.Name()).substr(0, 10);
    const int precision = def.Precision();
    int length = 0, decimals = 0;
    switch (def.DataType()) {
      case FieldType::String:
        field.DataType = FieldType::String;
        length = def.Size();
        // A text field of no width would lose every value without a word (a fuel-name
        // width of 0 in the settings, say): refused, like a field wider than 255 below.
        if (length < 1)
          throw Exception(
              Format("CreateTable -> Field %s is %d characters wide; a text field "
                     "needs at least 1",
                     {field.Name, length}));
        break;
      case FieldType::Smallint:
      case FieldType::Integer:
      case FieldType::Largeint:
        field.DataType = FieldType::Integer;
        length = 11;
        break;
      case FieldType::Boolean:
        field.DataType = FieldType::Boolean;
        length = 1;
        break;
      case FieldType::Float:
      case FieldType::Currency:
        field.DataType = def.DataType();
        length = def.Size() == 0 ? 20 : std::min(def.Size(), 30);
        decimals = precision == 0 ? 4 : precision;
        decimals = std::clamp(decimals, 0, length - 2);  // so that the field reads back
        break;
      case FieldType::BCD:
      case FieldType::FMTBcd:
        field.DataType = def.DataType();
        length = 20;
        decimals = 4;
        break;
      case FieldType::Date:
        field.DataType = FieldType::Date;
        length = 8;
        break;
      case FieldType::DateTime:
        field.DataType = FieldType::DateTime;
        length = 30;
        break;
      default:
        throw Exception(
            Format("CreateTable -> Invalid field type: %d", {FieldTypeCode(def.DataType())}));
    }
    if (length < 0) length = 0;
    field.Length = static_cast<std::uint16_t>(std::min(length, 0xFFFF));
    field.Decimals = static_cast<std::uint8_t>(decimals);
    field.Offset = static_cast<std::uint16_t>(std::min<std::uint32_t>(offset, 0xFFFF));
    offset += field.Length;
    fields.push_back(std::move(field));
  }
  return fields;
}

}  // namespace

TMemDBFTable::TMemDBFTable() {
  access_.OnError = [this](void*, std::string_view message) { DBFError(message); };
}

TMemDBFTable::~TMemDBFTable() { CloseNoThrow(); }

std::string TMemDBFTable::About() const {
  return "TMemDBFTable: dBase III+/IV tables held in memory";
}

void TMemDBFTable::DBFError(std::string_view message) {
  if (OnDBFError)
    OnDBFError(this, message);
  else
    platform::ShowMessageBox(message, "Error", platform::MessageBoxIcon::kError);
}

// ---------------------------------------------------------------- creating and saving

void TMemDBFTable::CreateTable(std::string_view file_name, const DBFFieldList* fields) {
  DBFFieldList built;
  const DBFFieldList* list = fields;
  if (!list || list->empty()) {
    built = FieldsFromDefinitions(FieldDefs());
    list = &built;
  }
  if (list->empty())
    throw Exception("CreateTable -> No fields defined: a table needs at least one");
  TDBFAccess::CheckFieldsWritable(*list, true);
  if (!file_name.empty() && file_name != file_name_ && Active())
    throw Exception("Cannot change Filename if table is active");

  std::size_t record_length = 1;
  for (const TDBFField& field : *list) record_length += field.Length;
  DBFHeader header{};
  header[0] = 3;
  const std::size_t header_length = 32 * (list->size() + 1) + 1;
  header[8] = static_cast<std::uint8_t>(header_length);
  header[9] = static_cast<std::uint8_t>(header_length >> 8);
  header[10] = static_cast<std::uint8_t>(record_length);
  header[11] = static_cast<std::uint8_t>(record_length >> 8);

  auto stream = std::make_unique<TMemoryStream>();
  TDBFAccess::WriteHeader(header, *stream);
  TDBFAccess::WriteFieldDescriptors(*list, *stream, true);
  TDBFAccess::WriteRecords(*list, nullptr, *stream, false);

  if (file_name.empty()) {
    pending_stream_ = std::move(stream);
    return;
  }
  platform::WriteWholeFile(file_name, stream->View());
  SetFileName(file_name);
}

void TMemDBFTable::SaveToFile(std::string_view file_name) {
  const std::string name(file_name.empty() ? std::string_view(file_name_) : file_name);
  if (name.empty()) throw Exception("Can not save to file. File name requested");
  if (access_.Structure().Fields.empty())
    throw Exception("Can not save to file. The table has no fields");
  if (make_backup_) {
    std::string extension = platform::ExtractFileExt(name);
    if (!extension.empty()) extension.erase(0, 1);
    const std::string backup = platform::ChangeFileExt(name, ".~" + extension);
    if (platform::FileExists(backup) && !platform::DeleteFile(backup))
      throw EOSError(
          Format("Cannot delete file \"%s\". %s",
                 {platform::MapPath(backup), platform::SysErrorMessage(platform::GetLastError())}),
          platform::GetLastError());
    if (platform::FileExists(name) && !platform::RenameFile(name, backup))
      throw EOSError(Format("Cannot rename file \"%s\" to \"%s\". %s",
                            {platform::MapPath(name), platform::MapPath(backup),
                             platform::SysErrorMessage(platform::GetLastError())}),
                     platform::GetLastError());
  }
  access_.WriteFile(name, oem_, write_ahead_.get());
}

void TMemDBFTable::WriteAheadTo(std::string_view file_name) {
  write_ahead_.reset();
  write_ahead_name_ = file_name;
  StartWriteAhead();
}

void TMemDBFTable::StartWriteAhead() {
  if (records_ && !write_ahead_name_.empty())
    write_ahead_ = std::make_unique<RecordWriteAhead>(write_ahead_name_, access_.Structure().Fields,
                                                      *records_, access_.PackOnSave());
}

// ---------------------------------------------------------------- properties

void TMemDBFTable::SetFileName(std::string_view file_name) {
  if (file_name == file_name_) return;
  if (Active()) throw Exception("Cannot change Filename if table is active");
  file_name_ = file_name;
}

void TMemDBFTable::SetShowDeleted(bool show_deleted) {
  if (show_deleted == show_deleted_) return;
  show_deleted_ = show_deleted;
  if (Active()) Refresh();
}

void TMemDBFTable::SetFiltered(bool filtered) {
  if (filtered == Filtered()) return;
  TDataSet::SetFiltered(filtered);
  if (Active()) Refresh();
}

void TMemDBFTable::SetFilter(std::string_view filter) {
  if (filter == Filter()) return;
  TDataSet::SetFilter(filter);
  filter_.reset();
  if (Active() && Filtered()) Refresh();
}

// ---------------------------------------------------------------- open and close

std::size_t TMemDBFTable::RecordBufferSize() const { return data_size_ + kIdentitySize; }

void TMemDBFTable::InternalOpen() {
  write_ahead_.reset();
  FieldDefs().Clear();
  filter_.reset();
  {
    // The pending stream (or the file read) is used once, also when loading fails.
    std::unique_ptr<TMemoryStream> stream = std::move(pending_stream_);
    if (!stream) stream = std::make_unique<TMemoryStream>(platform::ReadWholeFile(file_name_));
    records_ = nullptr;
    access_.LoadFromStream(*stream);
  }
  TDBFStructure& structure = access_.Structure();
  records_ = &structure.Records;
  structure.DeletedCount = 0;
  for (int i = 0; i < records_->Count(); ++i) {
    records_->SetTag(i, i + 1);
    if (records_->Text(i)[0] == '*') ++structure.DeletedCount;
  }
  if (structure.Memo) OpenMemoFile();

  version_text_ = DBFLevelText(structure.Level);
  last_update_text_ =
      Format("%.2d.%.2d.%.4d", {static_cast<int>(structure.Day), static_cast<int>(structure.Month),
                                DBFYearOfByte(structure.Year)});
  last_identity_ = records_->Count();
  cursor_ = -1;
  located_ = -1;
  data_size_ = 1;
  for (const TDBFField& field : structure.Fields) data_size_ += field.Length;
  table_modified_ = false;
  InternalInitFieldDefs();
  StartWriteAhead();
}

void TMemDBFTable::OpenMemoFile() {
  memo_file_name_ = platform::ChangeFileExt(file_name_, ".dbt");
  auto stream = std::make_unique<platform::FileStream>();
  if (!stream->Open(memo_file_name_, platform::FileOpenMode::kReadWrite)) {
    const std::uint32_t code = platform::GetLastError();
    throw EFOpenError(Format("Cannot open file \"%s\". %s", {platform::MapPath(memo_file_name_),
                                                             platform::SysErrorMessage(code)}));
  }
  memo_header_.assign(kMemoHeaderSize, '\0');
  std::size_t done = 0;
  if (!stream->Read(memo_header_.data(), kMemoHeaderSize, done)) done = 0;
  memo_header_.resize(done);
  memo_stream_ = std::move(stream);
}

void TMemDBFTable::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const TDBFField& field : access_.Structure().Fields) {
    const bool sized = field.DataType == FieldType::String || field.DataType == FieldType::Memo;
    FieldDefs().Add(field.Name, field.DataType, sized ? field.Length : 0, false);
  }
}

void TMemDBFTable::InternalClose() {
  write_ahead_.reset();
  memo_stream_.reset();
  last_identity_ = 0;
  cursor_ = -1;
  located_ = -1;
}

bool TMemDBFTable::IsCursorOpen() const { return records_ != nullptr; }

// ---------------------------------------------------------------- navigation

void TMemDBFTable::InternalFirst() { cursor_ = -1; }

void TMemDBFTable::InternalLast() { cursor_ = records_ ? records_->Count() : 0; }

bool TMemDBFTable::Accepted(int index) const {
  if (index == located_) return true;
  std::string_view record = records_->Text(index);
  if (!show_deleted_ && !record.empty() && record[0] == '*') return false;
  if (Filtered() || IsFinding()) {
    if (!filter_) filter_ = std::make_unique<DBFFilter>(Filter(), access_.Structure().Fields);
    return filter_->Passes(record, oem_, GetFilterOptions());
  }
  return true;
}

GetResult TMemDBFTable::GetRecord(char* buffer, GetMode mode, bool do_check) {
  if (!records_ || records_->Empty()) return GetResult::Eof;
  const int count = records_->Count();
  for (;;) {
    switch (mode) {
      case GetMode::Current:
        if (cursor_ < 0 || cursor_ >= count || !Accepted(cursor_)) {
          if (do_check) throw Exception("No records");
          return GetResult::Error;
        }
        break;
      case GetMode::Next:
        if (cursor_ >= count - 1) return GetResult::Eof;
        ++cursor_;
        break;
      case GetMode::Prior:
        if (cursor_ <= 0) return GetResult::Bof;
        --cursor_;
        break;
    }
    if (mode == GetMode::Current || Accepted(cursor_)) break;
  }
  std::string_view record = records_->Text(cursor_);
  const std::size_t n = std::min(record.size(), data_size_);
  std::memcpy(buffer, record.data(), n);
  if (n < data_size_) std::memset(buffer + n, ' ', data_size_ - n);
  const std::int32_t identity = records_->Tag(cursor_);
  std::memcpy(buffer + data_size_, &identity, kIdentitySize);
  return GetResult::Ok;
}

void TMemDBFTable::GetBookmarkData(const char* buffer, char* bookmark) const {
  std::memcpy(bookmark, buffer + data_size_, kIdentitySize);
}

void TMemDBFTable::SetBookmarkData(char* buffer, const char* bookmark) {
  std::memcpy(buffer + data_size_, bookmark, kIdentitySize);
}

void TMemDBFTable::InternalGotoBookmark(const char* bookmark) {
  std::int32_t identity;
  std::memcpy(&identity, bookmark, kIdentitySize);
  const int index = records_ ? records_->IndexOfTag(identity, cursor_) : -1;
  if (index < 0) throw Exception("Cannot find bookmark");
  cursor_ = index;
}

void TMemDBFTable::InternalSetToRecord(const char* buffer) {
  InternalGotoBookmark(buffer + data_size_);
}

int TMemDBFTable::GetRecordCount() const { return records_ ? records_->Count() : 0; }

int TMemDBFTable::GetRecNo() const {
  if (cursor_ == -1) return records_ && !records_->Empty() ? 1 : 0;
  return cursor_ + 1;
}

bool TMemDBFTable::InternalSetRecNo(int rec_no) {
  if (rec_no < 0 || rec_no > GetRecordCount()) return false;
  cursor_ = rec_no - 1;
  return true;
}

// ---------------------------------------------------------------- fields

const TDBFField& TMemDBFTable::DBFFieldOf(const TField& field) const {
  return access_.Structure().Fields[static_cast<std::size_t>(field.FieldNo() - 1)];
}

bool TMemDBFTable::GetFieldData(const TField& field, FieldValue* value) {
  const char* buffer = CurrentRecordBuffer();
  if (!buffer || field.FieldNo() <= 0) return false;
  const TDBFField& dbf_field = DBFFieldOf(field);
  std::string_view text(buffer + dbf_field.Offset, dbf_field.Length);
  return DecodeDBFField(dbf_field, text, oem_, value);
}

void TMemDBFTable::SetFieldData(TField& field, const FieldValue* value) {
  if (field.FieldNo() <= 0) return;
  char* buffer = ActiveBuffer();
  if (buffer[0] == '\0') std::memset(buffer, ' ', data_size_);
  const TDBFField& dbf_field = DBFFieldOf(field);
  EncodeDBFField(dbf_field, value, oem_, buffer + dbf_field.Offset);
  table_modified_ = true;
}

// ---------------------------------------------------------------- editing

void TMemDBFTable::InternalInitRecord(char* buffer) {
  std::memset(buffer, 0, data_size_ + kIdentitySize);
}

void TMemDBFTable::InternalInsert() { table_modified_ = true; }

void TMemDBFTable::InternalCancel() { table_modified_ = false; }

void TMemDBFTable::InternalPost() {
  char* buffer = ActiveBuffer();
  if (buffer[0] == '\0') std::memset(buffer, ' ', data_size_);  // nothing assigned: blank
  const std::string_view text(buffer, data_size_);
  if (State() == DataSetState::Edit) {
    records_->Replace(cursor_, text);
  } else {
    ++last_identity_;
    if (cursor_ < 0) cursor_ = 0;
    if (cursor_ > records_->Count()) cursor_ = records_->Count();
    if (cursor_ == records_->Count()) {
      records_->Append(text, last_identity_);
      if (write_ahead_) write_ahead_->RecordAdded();
    } else
      records_->Insert(cursor_, text, last_identity_);
  }
  table_modified_ = false;
}

void TMemDBFTable::InternalDelete() {
  if (cursor_ < 0 || cursor_ >= records_->Count()) return;
  char* record = records_->MutableText(cursor_);
  if (record[0] == '*') return;
  record[0] = '*';
  ActiveBuffer()[0] = '*';
  ++access_.Structure().DeletedCount;
  table_modified_ = true;
}

// ---------------------------------------------------------------- Locate

bool TMemDBFTable::KeyMatches(const TField& field, std::string_view record, const Variant& key,
                              const LocateOptions& options) {
  if (field.FieldNo() <= 0) return false;
  const TDBFField& dbf_field = DBFFieldOf(field);
  if (static_cast<std::size_t>(dbf_field.Offset) + dbf_field.Length > record.size()) return false;
  std::string_view text = record.substr(dbf_field.Offset, dbf_field.Length);
  const bool has_value = DecodeDBFField(dbf_field, text, oem_, &key_value_);
  try {
    switch (dbf_field.DataType) {
      case FieldType::String: {
        if (key.IsEmptyOrNull()) return false;
        std::string wanted = VarToStr(key);
        std::string& value = key_value_.text;
        if (options.case_insensitive) {
          for (char& c : value) c = codepage::AnsiUpperChar(c);
          for (char& c : wanted) c = codepage::AnsiUpperChar(c);
        }
        if (options.partial_key) return value.compare(0, wanted.size(), wanted) == 0;
        return value == wanted;
      }
      case FieldType::Integer:
        if (!has_value) return key.IsNull();
        return Variant(key_value_.integer) == key;
      case FieldType::Boolean:
        if (!has_value) return key.IsNull();
        return Variant(key_value_.boolean) == key;
      case FieldType::Float: {
        if (!has_value || key.IsEmptyOrNull()) return false;
        const float a = static_cast<float>(key_value_.number);
        const float b = static_cast<float>(key.AsFloat());
        const float tolerance = std::max(std::min(std::fabs(a), std::fabs(b)) * 0.0001f, 0.0001f);
        return std::fabs(a - b) <= tolerance;
      }
      case FieldType::Date:
        if (!has_value || key.IsEmptyOrNull()) return false;
        return std::floor(key_value_.number) == std::floor(key.AsDateTime());
      default: return false;
    }
  } catch (const EVariantError&) {
    return false;  // a key that does not convert to the field's type matches nothing
  }
}

void TMemDBFTable::GotoIndex(int index) {
  DoBeforeScroll();
  cursor_ = index;
  located_ = index;
  CursorPosChanged();
  try {
    Resync();
  } catch (...) {
    located_ = -1;
    throw;
  }
  located_ = -1;
  DoAfterScroll();
}

bool TMemDBFTable::Locate(std::string_view key_fields, const Variant& key_values,
                          LocateOptions options) {
  CheckBrowseMode();
  const std::vector<std::string_view> names = SplitKeyFields(key_fields);
  if (names.empty()) return false;
  std::vector<const TField*> fields;
  std::vector<Variant> keys;
  for (std::size_t i = 0; i < names.size(); ++i) {
    fields.push_back(&FieldByName(names[i]));
    keys.push_back(KeyValueAt(key_values, i));
  }
  for (int index = 0; index < records_->Count(); ++index) {
    std::string_view record = records_->Text(index);
    bool all = true;
    for (std::size_t k = 0; k < fields.size() && all; ++k)
      all = KeyMatches(*fields[k], record, keys[k], options);
    if (all) {
      GotoIndex(index);
      return true;
    }
  }
  return false;
}

}  // namespace kvr
