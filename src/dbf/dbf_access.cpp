#include "dbf/dbf_access.h"

#include <algorithm>
#include <cstring>

#include "common/format_text.h"
#include "dbf/file_save.h"
#include "dbf/record_write_ahead.h"
#include "platform/clock.h"
#include "platform/file_system.h"

namespace kvr {

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kDescriptorSize = 32;
constexpr std::uint32_t kMaxRecordCount = 1'000'000'000;
constexpr std::uint16_t kMaxRecordLength = 4000;
constexpr int kMaxFieldCount = 128;
constexpr char kTerminator = 0x0D;
constexpr char kEndOfFile = 0x1A;

[[noreturn]] void Fail(std::string message) { throw Exception(std::move(message)); }
[[noreturn]] void IncorrectFile() { Fail("Incorrect DBF file"); }
[[noreturn]] void OutOfRange() { Fail("Access out of range"); }

std::uint16_t Get16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t Get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v);
  Put16(p + 2, v >> 16);
}

// The rule each type's descriptor must keep (length and decimals).
bool DescriptorValid(const TDBFField& field) {
  const int length = field.Length, decimals = field.Decimals;
  switch (field.DataType) {
    case FieldType::String: return decimals == 0;
    case FieldType::Integer: return length <= 30 && decimals == 0;
    case FieldType::Float: return length <= 30 && decimals <= length - 2;
    case FieldType::Date: return length == 8 && decimals == 0;
    case FieldType::Boolean: return length == 1 && decimals == 0;
    case FieldType::Memo:
    case FieldType::Blob:
    case FieldType::DBaseOle: return length == 10 && decimals == 0;
    default: return true;  // unknown types are reported by name below
  }
}

std::size_t RecordLengthOf(const DBFFieldList& fields) {
  std::size_t length = 1;
  for (const TDBFField& field : fields) length += field.Length;
  return length;
}

bool IsDeleted(std::string_view record) { return !record.empty() && record[0] == '*'; }

}  // namespace

char DBFTypeLetter(FieldType type, bool dbase3) {
  switch (type) {
    case FieldType::String: return 'C';
    case FieldType::Smallint:
    case FieldType::Integer: return 'N';
    case FieldType::Boolean: return 'L';
    case FieldType::Float:
    case FieldType::Currency:
    case FieldType::BCD:
    case FieldType::FMTBcd: return dbase3 ? 'N' : 'F';
    case FieldType::Date: return 'D';
    case FieldType::DateTime: return dbase3 ? 'C' : '\0';
    case FieldType::TimeStamp: return dbase3 ? '\0' : 'C';
    case FieldType::Blob: return dbase3 ? '\0' : 'B';
    case FieldType::Memo: return 'M';
    case FieldType::DBaseOle: return dbase3 ? '\0' : 'O';
    default: return '\0';
  }
}

FieldType DBFFieldTypeOfLetter(char letter, std::uint8_t decimals) {
  switch (letter) {
    case 'B': return FieldType::Blob;
    case 'C': return FieldType::String;
    case 'D': return FieldType::Date;
    case 'F': return FieldType::Float;
    case 'L': return FieldType::Boolean;
    case 'M': return FieldType::Memo;
    case 'N': return decimals > 0 ? FieldType::Float : FieldType::Integer;
    case 'O': return FieldType::DBaseOle;
    default: return FieldType::Unknown;
  }
}

std::uint8_t DBFYearByte(int year) {
  return static_cast<std::uint8_t>(year > 2000 ? year - 2000 : year - 1900);
}

int DBFYearOfByte(std::uint8_t year_byte) {
  return year_byte <= 50 ? 2000 + year_byte : 1900 + year_byte;
}

const char* DBFLevelText(std::uint8_t level) {
  switch (level) {
    case kLevelDBase3: return "dBase III+";
    case kLevelDBase4: return "dBase IV";
    case kLevelDBaseWin: return "dBase/Win";
    default: return "dBase ?";
  }
}

std::uint16_t DBFCodePageOfMark(std::uint8_t mark) {
  switch (mark) {
    case 1: return 437;
    case 2: return 850;
    case 3: return 1252;
    case 100: return 852;
    case 101: return 866;
    case 102: return 865;
    case 104: return 895;
    case 200: return 1250;
    case 201: return 1251;
    default: return 0;
  }
}

TDBFAccess::TDBFAccess() { header3_[0] = 3; }

// ---------------------------------------------------------------- reading

void TDBFAccess::LoadFromStream(TMemoryStream& stream) {
  structure_.Fields.clear();
  structure_.Records.Clear();
  structure_.Level = kLevelNone;
  structure_.RecordCount = structure_.DeletedCount = 0;
  structure_.FieldCount = 0;
  ReadHeader(stream);
  ReadFieldDescriptors(stream);
  ReadRecords(stream);
}

void TDBFAccess::ReadHeader(TMemoryStream& stream) {
  stream.Seek(0);
  DBFHeader header{};
  if (stream.Read(header.data(), 1) != 1) IncorrectFile();
  const std::uint8_t version = header[0];
  if (version < 3 || version > 0xF5) IncorrectFile();
  stream.Seek(0);
  if (stream.Read(header.data(), kHeaderSize) != kHeaderSize) IncorrectFile();

  TDBFStructure& s = structure_;
  if (version == 0x03 || version == 0x83) {
    dbase3_mode_ = true;
    header3_ = header;
    s.Level = kLevelDBase3;
    s.Memo = s.DBase4Memo = version == 0x83;
    s.ProductionIndex = s.Encrypted = s.IncompleteTransaction = false;
    s.CodePage = 0;
  } else {
    dbase3_mode_ = false;
    header4_ = header;
    s.Level = (version & 0x07) == 3 ? kLevelDBase4 : kLevelDBaseWin;
    s.Memo = (version & 0x80) != 0;
    s.DBase4Memo = (version & 0x08) != 0;
    s.IncompleteTransaction = header[14] == 1;
    s.Encrypted = header[15] == 1;
    s.ProductionIndex = header[28] == 1;
    s.CodePage = DBFCodePageOfMark(header[29]);
  }
  s.Year = header[1];
  s.Month = header[2];
  s.Day = header[3];
  s.RecordCount = Get32(&header[4]);
  s.HeaderLength = Get16(&header[8]);
  s.RecordLength = Get16(&header[10]);
  const int field_count = (static_cast<int>(s.HeaderLength) - 1) / 32 - 1;

  const std::uint64_t claimed =
      s.HeaderLength + static_cast<std::uint64_t>(s.RecordCount) * s.RecordLength;
  if (stream.Size() < claimed) IncorrectFile();
  if (s.RecordCount > kMaxRecordCount || s.RecordLength > kMaxRecordLength || field_count < 0 ||
      field_count > kMaxFieldCount)
    OutOfRange();
  s.FieldCount = static_cast<std::uint16_t>(field_count);
}

void TDBFAccess::ReadFieldDescriptors(TMemoryStream& stream) {
  TDBFStructure& s = structure_;
  s.Fields.reserve(s.FieldCount);
  std::uint32_t offset = 1;
  for (int i = 0; i < s.FieldCount; ++i) {
    std::uint8_t d[kDescriptorSize];
    stream.Seek(kHeaderSize + kDescriptorSize * static_cast<std::size_t>(i));
    if (stream.Read(d, kDescriptorSize) != kDescriptorSize) IncorrectFile();
    TDBFField field;
    const char* name = reinterpret_cast<const char*>(d);
    field.Name.assign(name, strnlen(name, 10));
    field.Length = d[16];
    field.Decimals = d[17];
    field.DataType = DBFFieldTypeOfLetter(static_cast<char>(d[11]), field.Decimals);
    field.Offset = static_cast<std::uint16_t>(offset);
    field.Flag = (dbase3_mode_ ? d[23] : d[31]) == 1 ? 1 : 0;
    if (field.Length >= 256 || !DescriptorValid(field)) OutOfRange();
    if (field.DataType == FieldType::Unknown)
      Fail(Format("Wrong field definition - %s: %d",
                  {field.Name.substr(0, 35), FieldTypeCode(field.DataType)}));
    offset += field.Length;
    // A field reaching past the record would be read outside it.
    if (offset > s.RecordLength) Fail("Wrong record size");
    s.Fields.push_back(std::move(field));
  }
}

void TDBFAccess::ReadRecords(TMemoryStream& stream) {
  TDBFStructure& s = structure_;
  if (s.RecordLength == 0) Fail("Wrong record size");
  const std::size_t size = stream.Size();
  const std::size_t start = s.HeaderLength;
  // Every complete record up to the end of the data counts, whatever the header says; a
  // trailing 0x1A or partial record is left out.
  std::size_t count = size > start ? (size - start) / s.RecordLength : 0;
  std::string image = stream.Release();
  // With records of one character (every field zero wide) the end marker itself would
  // count as a record.
  if (s.RecordLength == 1 && count > 0 && image[start + count - 1] == kEndOfFile) --count;
  char* data = image.data() + start;
  std::replace(data, data + count * s.RecordLength, '\0', ' ');
  s.Records.Reserve(std::max<std::size_t>(count + 100, 100));
  s.Records.AdoptImage(std::move(image), start, s.RecordLength, count);
}

// ---------------------------------------------------------------- writing

void TDBFAccess::WriteHeader(DBFHeader header, TMemoryStream& stream, const DateParts& today) {
  header[1] = DBFYearByte(today.year);
  header[2] = static_cast<std::uint8_t>(today.month);
  header[3] = static_cast<std::uint8_t>(today.day);
  stream.Seek(0);
  stream.Write(header.data(), header.size());
}

void TDBFAccess::WriteHeader(const DBFHeader& header, TMemoryStream& stream) {
  WriteHeader(header, stream, DecodeDate(platform::Today()));
}

void TDBFAccess::CheckFieldsWritable(const DBFFieldList& fields, bool dbase3) {
  for (const TDBFField& field : fields) {
    if (DBFTypeLetter(field.DataType, dbase3) == '\0')
      Fail(Format("Field %s of type %d cannot be stored in a %s file",
                  {field.Name, FieldTypeCode(field.DataType), dbase3 ? "dBase III+" : "dBase IV"}));
    if (field.Length > 255)
      Fail(Format("Field %s is %d characters wide; a DBF field holds at most 255",
                  {field.Name, static_cast<int>(field.Length)}));
  }
  if (RecordLengthOf(fields) > 0xFFFF || kHeaderSize * (fields.size() + 1) + 1 > 0xFFFF)
    Fail(Format("Too many fields for a DBF file: %d", {static_cast<int>(fields.size())}));
}

void TDBFAccess::WriteFieldDescriptors(const DBFFieldList& fields, TMemoryStream& stream,
                                       bool dbase3) {
  for (const TDBFField& field : fields) {
    std::uint8_t d[kDescriptorSize] = {};
    std::memcpy(d, field.Name.data(), std::min<std::size_t>(field.Name.size(), 10));
    d[11] = static_cast<std::uint8_t>(DBFTypeLetter(field.DataType, dbase3));
    d[16] = static_cast<std::uint8_t>(field.Length & 0xFF);
    d[17] = field.Decimals;
    d[dbase3 ? 23 : 31] = field.Flag;
    stream.Write(d, sizeof d);
  }
}

void TDBFAccess::GatherRecords(const DBFFieldList& fields, const DBFRecordList* records,
                               bool pack_on_save, RecordRanges& out, int first, int end) {
  out.ranges.clear();
  out.padded.clear();
  if (!records) return;
  const std::size_t length = RecordLengthOf(fields);
  if (end < 0 || end > records->Count()) end = records->Count();
  for (int i = std::max(first, 0); i < end; ++i) {
    std::string_view record = records->Text(i);
    if (pack_on_save && IsDeleted(record)) continue;
    if (record.size() >= length) {
      record = record.substr(0, length);
    } else {  // a short record is padded so that the next one starts where readers expect
      std::string& copy = out.padded.emplace_back(record);
      copy.resize(length, ' ');
      record = copy;
    }
    std::string_view* last = out.ranges.empty() ? nullptr : &out.ranges.back();
    if (last && last->data() + last->size() == record.data())
      *last = std::string_view(last->data(), last->size() + record.size());
    else
      out.ranges.push_back(record);
  }
}

void TDBFAccess::WriteRecords(const DBFFieldList& fields, const DBFRecordList* records,
                              TMemoryStream& stream, bool pack_on_save) {
  RecordRanges gathered;
  GatherRecords(fields, records, pack_on_save, gathered);
  std::size_t total = 0;
  for (std::string_view range : gathered.ranges) total += range.size();
  stream.WriteByte(kTerminator);
  stream.Reserve(stream.Position() + total + 1);
  for (std::string_view range : gathered.ranges) stream.Write(range.data(), range.size());
  stream.SetSize(stream.Position() + 1);
  stream.WriteByte(kEndOfFile);
}

std::size_t TDBFAccess::RecordLength(const DBFFieldList& fields) { return RecordLengthOf(fields); }

std::size_t TDBFAccess::HeadLength(const DBFFieldList& fields) {
  return kHeaderSize * (fields.size() + 1) + 1;
}

std::string TDBFAccess::BuildHead(bool oem, const DateParts& today) {
  TDBFStructure& s = structure_;
  const bool dbase3 = dbase3_mode_;
  CheckFieldsWritable(s.Fields, dbase3);

  std::uint32_t count = static_cast<std::uint32_t>(s.Records.Count());
  if (pack_on_save_)
    for (int i = 0; i < s.Records.Count(); ++i)
      if (IsDeleted(s.Records.Text(i))) --count;
  const std::size_t header_length = kHeaderSize * (s.Fields.size() + 1) + 1;
  const std::size_t record_length = RecordLengthOf(s.Fields);

  DBFHeader& header = dbase3 ? header3_ : header4_;
  Put32(&header[4], count);
  Put16(&header[8], static_cast<std::uint32_t>(header_length));
  Put16(&header[10], static_cast<std::uint32_t>(record_length));
  if (dbase3 && header[29] == 0) header[29] = oem ? 101 : 3;

  TMemoryStream stream;
  stream.Reserve(header_length);
  WriteHeader(header, stream, today);
  WriteFieldDescriptors(s.Fields, stream, dbase3);
  stream.WriteByte(kTerminator);
  return stream.Release();
}

std::string TDBFAccess::BuildFile(bool oem, const DateParts& today) {
  std::string file = BuildHead(oem, today);
  RecordRanges gathered;
  GatherRecords(structure_.Fields, &structure_.Records, pack_on_save_, gathered);
  for (std::string_view range : gathered.ranges) file += range;
  file += static_cast<char>(kEndOfFile);
  return file;
}

// The file goes out in one write of its pieces: the records straight from the record list,
// without first copying them into one image; aside first, then renamed into place.
void TDBFAccess::WriteFile(std::string_view file_name, bool oem, RecordWriteAhead* ahead) {
  const std::string head = BuildHead(oem, DecodeDate(platform::Today()));
  if (ahead && ahead->Finish(file_name, head, pack_on_save_)) return;
  RecordRanges gathered;
  GatherRecords(structure_.Fields, &structure_.Records, pack_on_save_, gathered);
  static constexpr char kEnd[] = {static_cast<char>(kEndOfFile)};
  std::vector<std::string_view> pieces;
  pieces.reserve(gathered.ranges.size() + 2);
  pieces.push_back(head);
  pieces.insert(pieces.end(), gathered.ranges.begin(), gathered.ranges.end());
  pieces.push_back(std::string_view(kEnd, 1));
  SaveFileWhole(file_name, pieces);
}

}  // namespace kvr
