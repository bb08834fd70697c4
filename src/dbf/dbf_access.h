// TDBFAccess: reads a whole DBF file into memory and writes a whole one back. Nothing else
// touches the bytes of a DBF file.
//
// File layout (little-endian): 32-byte header, 32-byte field descriptors, 0x0D, records of
// RecordLength bytes (deletion flag ' ' or '*', then each field's text), 0x1A. Two header
// levels are understood: dBase III+ (version 3, or 0x83 with a memo file; what we create)
// and dBase IV / dBase for Windows (other versions up to 0xF5; read and written back as
// found, the header bytes we do not interpret included).
//
// Every failure is a plain Exception: "Incorrect DBF file", "Access out of range",
// "Wrong field definition - <name>: <type code>", "Wrong record size"; and, before anything
// is written, "Field <name> of type <code> cannot be stored in a <level> file" or
// "Field <name> is <n> characters wide; a DBF field holds at most 255".
// Files of another program are read and written back with their header bytes; the header
// and record lengths written are always those of the fields written, so a file stays
// readable even when the one it was loaded from had padding after its descriptors.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "common/date_time.h"
#include "common/exceptions.h"
#include "dbf/dbf_structure.h"
#include "dbf/memory_stream.h"

namespace kvr {

// Error callback of the DBF layer: the sender and a message text.
using TDBFError = std::function<void(void* sender, std::string_view message)>;

using DBFHeader = std::array<std::uint8_t, 32>;

// The type letter written for a field type, or '\0' when that level cannot hold it.
char DBFTypeLetter(FieldType type, bool dbase3);
// The field type a type letter stands for (N depends on the decimals); Unknown otherwise.
FieldType DBFFieldTypeOfLetter(char letter, std::uint8_t decimals);
// Year byte of a header date: year - 2000 after 2000, year - 1900 up to 2000.
std::uint8_t DBFYearByte(int year);
// Full year of a header's year byte: 2000 + b for b up to 50, 1900 + b above.
int DBFYearOfByte(std::uint8_t year_byte);
// "dBase III+", "dBase IV", "dBase/Win", or "dBase ?" for another level.
const char* DBFLevelText(std::uint8_t level);
// The code page a dBase IV code page mark stands for (0 when unknown).
std::uint16_t DBFCodePageOfMark(std::uint8_t mark);

class RecordWriteAhead;

class TDBFAccess {
 public:
  TDBFAccess();
  TDBFAccess(const TDBFAccess&) = delete;
  TDBFAccess& operator=(const TDBFAccess&) = delete;

  TDBFStructure& Structure() { return structure_; }
  const TDBFStructure& Structure() const { return structure_; }
  bool DBase3Mode() const { return dbase3_mode_; }
  bool PackOnSave() const { return pack_on_save_; }
  void SetPackOnSave(bool pack) { pack_on_save_ = pack; }
  TDBFError OnError;  // wired by the owning table; this class never calls it

  // Replaces everything loaded before by the file in `stream`. The stream's bytes become
  // the storage of the records (no copy); the stream is left empty.
  void LoadFromStream(TMemoryStream& stream);
  // Writes the complete file for the current structure, replacing a file of that name in one
  // step (SaveFileWhole: nothing but the whole file ever stands under that name).
  // `oem` chooses code page mark 101 (else 3) for a dBase III+ header whose mark is 0.
  // With `ahead`, the records it wrote early are not written again when it can finish the file.
  void WriteFile(std::string_view file_name, bool oem, RecordWriteAhead* ahead = nullptr);
  // The complete file as WriteFile would write it, dated `today`.
  std::string BuildFile(bool oem, const DateParts& today);

  // The writers CreateTable uses directly.
  // Writes a header image, dated `today`, at offset 0 of the stream.
  static void WriteHeader(DBFHeader header, TMemoryStream& stream, const DateParts& today);
  static void WriteHeader(const DBFHeader& header, TMemoryStream& stream);  // dated today
  // Refuses (Exception) a field the level cannot hold or wider than 255 before writing any.
  static void CheckFieldsWritable(const DBFFieldList& fields, bool dbase3);
  static void WriteFieldDescriptors(const DBFFieldList& fields, TMemoryStream& stream, bool dbase3);
  // 0x0D, the records (all of them, or the live ones when pack_on_save), 0x1A.
  static void WriteRecords(const DBFFieldList& fields, const DBFRecordList* records,
                           TMemoryStream& stream, bool pack_on_save);

  // The mark after the last record, and the lengths of a record and of the head (header,
  // descriptors and 0x0D) for these fields.
  static constexpr char kEndOfFileMark = 0x1A;
  static std::size_t RecordLength(const DBFFieldList& fields);
  static std::size_t HeadLength(const DBFFieldList& fields);

  // The records as they stand in a file, as byte ranges into the record list: adjacent
  // records of full length make one range, a short record is padded with blanks (its copy is
  // kept in `padded`). Valid while the record list is unchanged.
  struct RecordRanges {
    std::vector<std::string_view> ranges;
    std::deque<std::string> padded;
  };
  // Records from `first` up to `end` (-1: all that follow).
  static void GatherRecords(const DBFFieldList& fields, const DBFRecordList* records,
                            bool pack_on_save, RecordRanges& out, int first = 0, int end = -1);

 private:
  // Header (count and lengths updated) and descriptors for the current structure, and 0x0D.
  std::string BuildHead(bool oem, const DateParts& today);

  void ReadHeader(TMemoryStream& stream);
  void ReadFieldDescriptors(TMemoryStream& stream);
  void ReadRecords(TMemoryStream& stream);

  TDBFStructure structure_;
  DBFHeader header3_{};
  DBFHeader header4_{};
  bool dbase3_mode_ = true;
  bool pack_on_save_ = false;
};

}  // namespace kvr
