#include "dbf/record_write_ahead.h"

#include <algorithm>
#include <new>

#include "dbf/dbf_access.h"

namespace kvr {
namespace {

// Large enough for few calls and a short queue, small enough that the disk starts early.
constexpr std::size_t kBatchBytes = 4 << 20;

}  // namespace

RecordWriteAhead::RecordWriteAhead(std::string_view path, const DBFFieldList& fields,
                                   DBFRecordList& records, bool pack_on_save)
    : path_(path),
      fields_(fields),
      records_(records),
      pack_on_save_(pack_on_save),
      batch_records_(std::max<std::size_t>(1, kBatchBytes / TDBFAccess::RecordLength(fields))) {
  records_.SetWatcher(this);
}

RecordWriteAhead::~RecordWriteAhead() { records_.SetWatcher(nullptr); }

void RecordWriteAhead::RecordAdded() {
  if (dropped_) return;
  const int count = records_.Count();
  if (static_cast<std::size_t>(count - handed_) < batch_records_) return;
  // Writing ahead only saves time: short of memory for it, the save at the end does it all.
  try {
    if (!save_)
      save_ = std::make_unique<BackgroundFileSave>(path_, TDBFAccess::HeadLength(fields_));
    if (save_->Failed()) return Drop();
    TDBFAccess::RecordRanges gathered;
    TDBFAccess::GatherRecords(fields_, &records_, pack_on_save_, gathered, handed_, count);
    save_->Append({std::move(gathered.ranges), std::move(gathered.padded)});
    handed_ = count;
  } catch (const std::bad_alloc&) {
    Drop();
  }
}

void RecordWriteAhead::BeforeChange(int index) {
  if (index < handed_) Drop();
}

void RecordWriteAhead::Drop() {
  save_.reset();  // waits for a write in progress, so the change comes after it
  dropped_ = true;
  handed_ = 0;
}

bool RecordWriteAhead::Finish(std::string_view path, std::string_view head, bool pack_on_save) {
  if (!save_ || dropped_ || path != path_ || pack_on_save != pack_on_save_) {
    Drop();
    return false;
  }
  TDBFAccess::RecordRanges rest;
  TDBFAccess::GatherRecords(fields_, &records_, pack_on_save_, rest, handed_);
  static constexpr char kEnd[] = {TDBFAccess::kEndOfFileMark};
  rest.ranges.push_back(std::string_view(kEnd, 1));
  const std::unique_ptr<BackgroundFileSave> save = std::move(save_);
  dropped_ = true;  // used once
  return save->Commit(head, rest.ranges);
}

}  // namespace kvr
