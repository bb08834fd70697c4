// A read-only dataset over rows of variants: the smallest descendant of TDataSet, written the
// way a query result plugs in (record buffer = row number, values decoded on demand).
#pragma once

#include <cstring>
#include <vector>

#include "dataset/data_set.h"

namespace kvr::test {

class VectorDataSet : public TDataSet {
 public:
  struct Column {
    std::string name;
    FieldType type;
    int size;
  };
  VectorDataSet(std::vector<Column> columns, std::vector<std::vector<Variant>> rows)
      : columns_(std::move(columns)), rows_(std::move(rows)) {}
  ~VectorDataSet() override { CloseNoThrow(); }
  bool CanModify() const override { return false; }

 protected:
  std::size_t RecordBufferSize() const override { return sizeof(int); }
  void InternalOpen() override {
    FieldDefs().Clear();
    for (const Column& c : columns_) FieldDefs().Add(c.name, c.type, c.size);
    open_ = true;
    cursor_ = -1;
  }
  void InternalClose() override { open_ = false; }
  bool IsCursorOpen() const override { return open_; }
  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = static_cast<int>(rows_.size()); }
  GetResult GetRecord(char* buffer, GetMode mode, bool) override {
    const int count = static_cast<int>(rows_.size());
    switch (mode) {
      case GetMode::Current:
        if (cursor_ < 0 || cursor_ >= count) return GetResult::Error;
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
    std::memcpy(buffer, &cursor_, sizeof cursor_);
    ++fetches;
    return GetResult::Ok;
  }
  bool GetFieldData(const TField& field, FieldValue* value) override {
    const char* buffer = CurrentRecordBuffer();
    if (!buffer) return false;
    int row;
    std::memcpy(&row, buffer, sizeof row);
    const Variant& v =
        rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(field.FieldNo() - 1)];
    if (v.IsEmptyOrNull()) return false;
    if (!value) return true;
    switch (field.Kind()) {
      case ValueKind::Text: value->text = v.AsText(); break;
      case ValueKind::Integer: value->integer = v.AsInt64(); break;
      case ValueKind::Float:
      case ValueKind::DateTime: value->number = v.AsFloat(); break;
      case ValueKind::Boolean: value->boolean = v.AsBoolean(); break;
    }
    return true;
  }
  std::size_t BookmarkSize() const override { return sizeof(int); }
  void GetBookmarkData(const char* buffer, char* bookmark) const override {
    std::memcpy(bookmark, buffer, sizeof(int));
  }
  void InternalGotoBookmark(const char* bookmark) override {
    std::memcpy(&cursor_, bookmark, sizeof cursor_);
  }
  int GetRecordCount() const override { return static_cast<int>(rows_.size()); }
  int GetRecNo() const override { return cursor_ + 1; }

 public:
  int fetches = 0;

 private:
  std::vector<Column> columns_;
  std::vector<std::vector<Variant>> rows_;
  bool open_ = false;
  int cursor_ = -1;
};

}  // namespace kvr::test
