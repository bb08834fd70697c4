// Writing the records of a table that is still being filled: each time the records added make
// a batch of a few megabytes, they are written to the file's temporary copy
// ("<name>.<pid>-<n>.tmp", file_save.h) on the calling thread, through the system's cache, and
// the system is asked to put them on the disk at once; so the disk works while the table
// fills, and the save at the end writes only the rest and the head. The file is the one a save
// at the end writes. A record already written that changes (an edit, a deletion, an insert
// before it, clearing the table) drops the early copy, and the save writes the file whole.
//
// A failed early write is not raised: the early copy is dropped and the save at the end meets
// a lasting failure itself, with the same text and at the same point as without writing ahead.
// A process killed meanwhile leaves the temporary copy, which the next run of that export
// removes (as it does one a killed save at the end leaves).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "dbf/dbf_access.h"
#include "dbf/dbf_record_list.h"
#include "dbf/dbf_structure.h"
#include "platform/new_file.h"

namespace kvr {

class RecordWriteAhead final : public DBFRecordList::Watcher {
 public:
  // `fields` and `records` are the table's; they outlive this object. Nothing is created
  // before the first batch is complete.
  RecordWriteAhead(std::string_view path, const DBFFieldList& fields, DBFRecordList& records,
                   bool pack_on_save);
  ~RecordWriteAhead();  // detaches; a temporary file not put in place is removed
  RecordWriteAhead(const RecordWriteAhead&) = delete;
  RecordWriteAhead& operator=(const RecordWriteAhead&) = delete;

  // After a record was appended: writes the records not yet written once they make a batch.
  void RecordAdded();
  void BeforeChange(int index) override;
  // Writes what is left and `head`, and puts the file at `path`, raising as SaveFileWhole. False
  // when this cannot give the file a save at the end would write (nothing written early, a
  // record written changed, an early write failed, another path or another packing, a head of
  // another size): the caller then writes it whole. The fields cannot change meanwhile: the
  // table makes a new write-ahead on every open.
  bool Finish(std::string_view path, std::string_view head, bool pack_on_save);

 private:
  // Writes the records from `written_` up to `end` (the head's place first); false on failure.
  bool WriteUpTo(int end);
  void Drop();

  std::string path_;
  const DBFFieldList& fields_;
  DBFRecordList& records_;
  bool pack_on_save_;
  std::size_t head_size_;
  std::size_t batch_records_;  // records in one batch
  int written_ = 0;            // records before this index are in the file
  bool dropped_ = false;
  platform::NewFile file_;
  std::string temporary_;              // the file's name; empty while there is none
  TDBFAccess::RecordRanges gathered_;  // kept between batches for its memory
};

}  // namespace kvr
