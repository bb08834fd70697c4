#include "dbf/record_write_ahead.h"

#include <algorithm>
#include <new>

#include "dbf/file_save.h"
#include "platform/file_system.h"

namespace kvr {
namespace {

// Large enough for few calls, small enough that the disk starts early.
constexpr std::size_t kBatchBytes = 4 << 20;

}  // namespace

RecordWriteAhead::RecordWriteAhead(std::string_view path, const DBFFieldList& fields,
                                   DBFRecordList& records, bool pack_on_save)
    : path_(path),
      fields_(fields),
      records_(records),
      pack_on_save_(pack_on_save),
      head_size_(TDBFAccess::HeadLength(fields)),
      batch_records_(std::max<std::size_t>(1, kBatchBytes / TDBFAccess::RecordLength(fields))) {
  records_.SetWatcher(this);
}

RecordWriteAhead::~RecordWriteAhead() {
  records_.SetWatcher(nullptr);
  Drop();
}

void RecordWriteAhead::RecordAdded() {
  if (dropped_) return;
  const int count = records_.Count();
  if (static_cast<std::size_t>(count - written_) < batch_records_) return;
  // Writing ahead only saves time: short of memory for it, the save at the end does it all.
  try {
    if (!WriteUpTo(count)) Drop();
  } catch (const std::bad_alloc&) {
    Drop();
  }
}

bool RecordWriteAhead::WriteUpTo(int end) {
  if (temporary_.empty()) {
    if (!CreateTemporaryFile(path_, file_, temporary_)) return false;
    const std::string zeros(head_size_, '\0');  // the head's place until the save
    const std::string_view head[] = {zeros};
    if (!file_.Write(head)) return false;
  }
  TDBFAccess::GatherRecords(fields_, &records_, pack_on_save_, gathered_, written_, end);
  if (!file_.Write(gathered_.ranges)) return false;
  file_.StartWriteback();
  written_ = end;
  return true;
}

void RecordWriteAhead::BeforeChange(int index) {
  if (index < written_) Drop();
}

void RecordWriteAhead::Drop() {
  dropped_ = true;
  written_ = 0;
  file_.Close();
  if (!temporary_.empty()) platform::DeleteFile(temporary_);
  temporary_.clear();
}

bool RecordWriteAhead::Finish(std::string_view path, std::string_view head, bool pack_on_save) {
  if (temporary_.empty() || dropped_ || path != path_ || pack_on_save != pack_on_save_ ||
      head.size() != head_size_) {
    Drop();
    return false;
  }
  dropped_ = true;  // used once
  // A failed write leaves the file to the whole save, which meets a lasting failure with its
  // own text.
  bool written = false;
  try {
    TDBFAccess::GatherRecords(fields_, &records_, pack_on_save_, gathered_, written_);
    static constexpr char kEnd[] = {TDBFAccess::kEndOfFileMark};
    gathered_.ranges.push_back(std::string_view(kEnd, 1));
    const std::string_view head_piece[] = {head};
    written = file_.Write(gathered_.ranges) && file_.WriteAt(0, head_piece);
  } catch (const std::bad_alloc&) {
  }
  if (!written) {
    Drop();
    return false;
  }
  const std::string temporary = std::move(temporary_);
  temporary_.clear();  // from here CompleteSave removes it on failure
  CompleteSave(file_, temporary, path_, true);
  return true;
}

}  // namespace kvr
