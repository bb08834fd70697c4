// Writing the records of a table that is still being filled: each time the records added make
// a batch of a few megabytes, they go to the file's temporary copy (BackgroundFileSave), so
// that the save at the end writes only the rest and the head. The file is the one a save at
// the end writes. A record already handed over that changes (an edit, a deletion, an insert
// before it, clearing the table) drops the early copy, and the save writes the file whole.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "dbf/background_save.h"
#include "dbf/dbf_record_list.h"
#include "dbf/dbf_structure.h"

namespace kvr {

class RecordWriteAhead final : public DBFRecordList::Watcher {
 public:
  // `fields` and `records` are the table's; they outlive this object. Nothing is created
  // before the first batch is complete.
  RecordWriteAhead(std::string_view path, const DBFFieldList& fields, DBFRecordList& records,
                   bool pack_on_save);
  ~RecordWriteAhead();  // detaches; a temporary file not committed is removed
  RecordWriteAhead(const RecordWriteAhead&) = delete;
  RecordWriteAhead& operator=(const RecordWriteAhead&) = delete;

  // After a record was appended: hands over the records not yet handed once they make a batch.
  void RecordAdded();
  void BeforeChange(int index) override;
  // Writes what is left and `head`, and puts the file at `path`, raising as SaveFileWhole. False
  // when this cannot give the file a save at the end would write (nothing handed over, a record
  // handed over changed, an early write failed, another path or another packing, a head of
  // another size): the caller then writes it whole. The fields cannot change meanwhile: the
  // table makes a new write-ahead on every open.
  bool Finish(std::string_view path, std::string_view head, bool pack_on_save);

 private:
  void Drop();

  std::string path_;
  const DBFFieldList& fields_;
  DBFRecordList& records_;
  bool pack_on_save_;
  std::size_t batch_records_;  // records in one batch
  int handed_ = 0;             // records before this index went to the writer
  bool dropped_ = false;
  std::unique_ptr<BackgroundFileSave> save_;
};

}  // namespace kvr
