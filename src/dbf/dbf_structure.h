// What one DBF table is: its header values, its field descriptors and its records.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "dataset/field_type.h"
#include "dbf/dbf_record_list.h"

namespace kvr {

// One field descriptor as the DBF layer understands it.
struct TDBFField {
  std::string Name;  // at most 10 characters
  FieldType DataType = FieldType::Unknown;
  std::uint16_t Length = 0;  // width in characters
  std::uint8_t Decimals = 0;
  std::uint16_t Offset = 0;  // first character in the record; the first field is at 1
  std::uint8_t Flag = 0;     // 1 when the descriptor's flag byte was 1
};

using DBFFieldList = std::vector<TDBFField>;

// Header levels.
constexpr std::uint8_t kLevelNone = 0;
constexpr std::uint8_t kLevelDBase3 = 3;
constexpr std::uint8_t kLevelDBase4 = 4;
constexpr std::uint8_t kLevelDBaseWin = 5;

struct TDBFStructure {
  std::uint8_t Year = 0, Month = 0, Day = 0;  // last update, bytes as in the header
  std::uint8_t Level = kLevelNone;
  std::uint32_t RecordCount = 0;  // as the header says
  std::uint32_t DeletedCount = 0;
  std::uint16_t HeaderLength = 0;
  std::uint16_t RecordLength = 0;
  bool ProductionIndex = false;
  bool Encrypted = false;
  bool IncompleteTransaction = false;
  bool Memo = false;
  bool DBase4Memo = false;
  std::uint16_t CodePage = 0;
  std::uint16_t FieldCount = 0;
  DBFRecordList Records;
  DBFFieldList Fields;
};

}  // namespace kvr
