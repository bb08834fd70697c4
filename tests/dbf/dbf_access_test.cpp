// TDBFAccess: the byte layout read and written, its limits and its messages.
#include "dbf/dbf_access.h"

#include <gtest/gtest.h>

#include "dbf/memory_stream.h"
#include "dbf_test_support.h"

namespace kvr {
namespace {

using test::Descriptor;

struct ImageSpec {
  std::uint8_t version = 3;
  std::vector<std::string> descriptors;
  std::vector<std::string> records;
  long header_records = -1;  // -1: the number of records
  long header_length = -1;   // -1: computed
  long record_length = -1;   // -1: computed from the descriptors
  std::string tail = "\x1A";
};

std::string MakeImage(const ImageSpec& spec) {
  long record_length = 1;
  for (const std::string& d : spec.descriptors) record_length += static_cast<unsigned char>(d[16]);
  if (spec.record_length >= 0) record_length = spec.record_length;
  const long header_length = spec.header_length >= 0
                                 ? spec.header_length
                                 : 32 * static_cast<long>(spec.descriptors.size() + 1) + 1;
  const long count =
      spec.header_records >= 0 ? spec.header_records : static_cast<long>(spec.records.size());
  std::string image(32, '\0');
  image[0] = static_cast<char>(spec.version);
  image[1] = 26;
  image[2] = 12;
  image[3] = 7;
  for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<char>(count >> (8 * i));
  image[8] = static_cast<char>(header_length);
  image[9] = static_cast<char>(header_length >> 8);
  image[10] = static_cast<char>(record_length);
  image[11] = static_cast<char>(record_length >> 8);
  for (const std::string& d : spec.descriptors) image += d;
  image += '\x0D';
  for (const std::string& r : spec.records) image += r;
  image += spec.tail;
  return image;
}

void Load(TDBFAccess& access, std::string image) {
  TMemoryStream stream(std::move(image));
  access.LoadFromStream(stream);
}

std::string LoadError(std::string image) {
  TDBFAccess access;
  try {
    Load(access, std::move(image));
  } catch (const Exception& e) {
    return e.Message();
  }
  return "(loaded)";
}

const std::vector<std::string> kThreeFields = {
    Descriptor("NAME", 'C', 10, 0), Descriptor("SUMMA", 'N', 11, 2), Descriptor("DATA", 'D', 8, 0)};

TEST(DBFHeaderDate, YearByteAndBack) {
  EXPECT_EQ(DBFYearByte(2026), 26);
  EXPECT_EQ(DBFYearByte(2000), 100);
  EXPECT_EQ(DBFYearByte(1999), 99);
  EXPECT_EQ(DBFYearOfByte(50), 2050);
  EXPECT_EQ(DBFYearOfByte(51), 1951);
  EXPECT_EQ(DBFYearOfByte(0), 2000);
}

TEST(DBFHeaderDate, WriteHeaderStampsTheGivenDay) {
  DBFHeader header{};
  header[0] = 3;
  header[12] = 0x55;  // bytes we do not interpret stay as they are
  TMemoryStream stream;
  TDBFAccess::WriteHeader(header, stream, DateParts{2026, 12, 7});
  const std::string bytes(stream.View());
  ASSERT_EQ(bytes.size(), 32u);
  EXPECT_EQ(bytes[0], 3);
  EXPECT_EQ(bytes[1], 26);
  EXPECT_EQ(bytes[2], 12);
  EXPECT_EQ(bytes[3], 7);
  EXPECT_EQ(bytes[12], 0x55);
}

TEST(DBFAccessLoad, ReadsHeaderFieldsAndRecords) {
  ImageSpec spec;
  spec.descriptors = kThreeFields;
  spec.records = {std::string(" Ivanov    ") + "      12.50" + "20261207",
                  std::string("*Petrov") + std::string(4, '\0') + "      -1.00" + "20260101"};
  TDBFAccess access;
  Load(access, MakeImage(spec));
  const TDBFStructure& s = access.Structure();
  EXPECT_EQ(s.Level, kLevelDBase3);
  EXPECT_EQ(s.Year, 26);
  EXPECT_EQ(s.Month, 12);
  EXPECT_EQ(s.Day, 7);
  EXPECT_EQ(s.HeaderLength, 129);
  EXPECT_EQ(s.RecordLength, 30);
  EXPECT_EQ(s.FieldCount, 3);
  ASSERT_EQ(s.Fields.size(), 3u);
  EXPECT_EQ(s.Fields[0].Name, "NAME");
  EXPECT_EQ(s.Fields[0].Offset, 1);
  EXPECT_EQ(s.Fields[1].DataType, FieldType::Float);
  EXPECT_EQ(s.Fields[1].Offset, 11);
  EXPECT_EQ(s.Fields[2].DataType, FieldType::Date);
  EXPECT_EQ(s.Fields[2].Offset, 22);
  ASSERT_EQ(s.Records.Count(), 2);
  EXPECT_EQ(s.Records.Text(0), " Ivanov          12.5020261207");
  // NUL bytes in a record read as spaces.
  EXPECT_EQ(s.Records.Text(1), "*Petrov          -1.0020260101");
}

TEST(DBFAccessLoad, VersionBytes) {
  struct Case {
    std::uint8_t version;
    std::string error;  // empty: loads
    std::uint8_t level;
    bool memo;
  };
  const Case cases[] = {
      {2, "Incorrect DBF file", 0, false}, {246, "Incorrect DBF file", 0, false},
      {0, "Incorrect DBF file", 0, false}, {3, "", kLevelDBase3, false},
      {0x83, "", kLevelDBase3, true},      {0x30, "", kLevelDBaseWin, false},
      {0x8B, "", kLevelDBase4, true},      {0x04, "", kLevelDBaseWin, false},
      {0xF5, "", kLevelDBaseWin, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.version));
    ImageSpec spec;
    spec.version = c.version;
    spec.descriptors = {Descriptor("A", 'C', 3, 0)};
    spec.records = {" abc"};
    if (!c.error.empty()) {
      EXPECT_EQ(LoadError(MakeImage(spec)), c.error);
      continue;
    }
    TDBFAccess access;
    Load(access, MakeImage(spec));
    EXPECT_EQ(access.Structure().Level, c.level);
    EXPECT_EQ(access.Structure().Memo, c.memo);
    EXPECT_EQ(access.DBase3Mode(), c.level == kLevelDBase3);
  }
}

TEST(DBFAccessLoad, FieldTypesAndTheirRules) {
  struct Case {
    char letter;
    int length, decimals;
    std::string error;  // empty: loads
    FieldType type;
  };
  const Case cases[] = {
      {'N', 10, 2, "", FieldType::Float},
      {'N', 10, 0, "", FieldType::Integer},
      {'N', 31, 0, "Access out of range", FieldType::Unknown},
      {'N', 30, 0, "", FieldType::Integer},
      {'F', 1, 0, "Access out of range", FieldType::Unknown},
      {'F', 2, 0, "", FieldType::Float},
      {'F', 10, 9, "Access out of range", FieldType::Unknown},
      {'F', 10, 8, "", FieldType::Float},
      {'C', 10, 1, "Access out of range", FieldType::Unknown},
      {'C', 255, 0, "", FieldType::String},
      {'D', 8, 0, "", FieldType::Date},
      {'D', 6, 0, "Access out of range", FieldType::Unknown},
      {'L', 1, 0, "", FieldType::Boolean},
      {'L', 2, 0, "Access out of range", FieldType::Unknown},
      {'M', 10, 0, "", FieldType::Memo},
      {'M', 4, 0, "Access out of range", FieldType::Unknown},
      {'B', 10, 0, "", FieldType::Blob},
      {'O', 10, 0, "", FieldType::DBaseOle},
      {'T', 8, 0, "Wrong field definition - NAME: 0", FieldType::Unknown},
      {'@', 8, 0, "Wrong field definition - NAME: 0", FieldType::Unknown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(1, c.letter) + std::to_string(c.length) + "." +
                 std::to_string(c.decimals));
    ImageSpec spec;
    spec.descriptors = {Descriptor("NAME", c.letter, c.length, c.decimals)};
    spec.records = {" " + std::string(static_cast<std::size_t>(c.length), ' ')};
    if (!c.error.empty()) {
      EXPECT_EQ(LoadError(MakeImage(spec)), c.error);
      continue;
    }
    TDBFAccess access;
    Load(access, MakeImage(spec));
    EXPECT_EQ(access.Structure().Fields.at(0).DataType, c.type);
  }
}

TEST(DBFAccessLoad, FieldNameStopsAtNulOrTenCharacters) {
  ImageSpec spec;
  std::string d = Descriptor("ABCDEFGHIJK", 'C', 1, 0);  // 11 characters, no NUL
  spec.descriptors = {d, Descriptor("XY", 'C', 1, 0)};
  spec.records = {" ab"};
  TDBFAccess access;
  Load(access, MakeImage(spec));
  EXPECT_EQ(access.Structure().Fields[0].Name, "ABCDEFGHIJ");
  EXPECT_EQ(access.Structure().Fields[1].Name, "XY");
}

TEST(DBFAccessLoad, RecordCountComesFromTheData) {
  ImageSpec spec;
  spec.descriptors = {Descriptor("N", 'N', 3, 0)};
  for (int i = 0; i < 20; ++i) spec.records.push_back(" " + std::to_string(100 + i));
  spec.header_records = 19;
  TDBFAccess access;
  Load(access, MakeImage(spec));
  EXPECT_EQ(access.Structure().RecordCount, 19u);
  EXPECT_EQ(access.Structure().Records.Count(), 20);

  spec.tail = "\x1A 1";  // a partial record after the end marker is dropped
  Load(access, MakeImage(spec));
  EXPECT_EQ(access.Structure().Records.Count(), 20);
  EXPECT_EQ(access.Structure().Records.Text(19), " 119");

  spec.tail = "";  // no end marker at all
  Load(access, MakeImage(spec));
  EXPECT_EQ(access.Structure().Records.Count(), 20);

  spec.header_records = 21;  // the header promises more than the file holds
  spec.tail = "\x1A";
  EXPECT_EQ(LoadError(MakeImage(spec)), "Incorrect DBF file");
}

TEST(DBFAccessLoad, LimitsAndBrokenHeaders) {
  ImageSpec base;
  base.descriptors = {Descriptor("A", 'C', 3, 0)};
  base.records = {" abc"};

  EXPECT_EQ(LoadError(""), "Incorrect DBF file");
  EXPECT_EQ(LoadError(std::string(1, '\x03')), "Incorrect DBF file");
  EXPECT_EQ(LoadError(MakeImage(base).substr(0, 31)), "Incorrect DBF file");

  ImageSpec spec = base;
  spec.record_length = 4001;
  spec.header_records = 0;
  spec.records.clear();
  spec.tail = std::string(5000, ' ');
  EXPECT_EQ(LoadError(MakeImage(spec)), "Access out of range");

  spec = base;
  spec.header_length = 32 * 130 + 1;  // 129 fields
  spec.tail = std::string(32 * 130, ' ');
  EXPECT_EQ(LoadError(MakeImage(spec)), "Access out of range");

  spec = base;
  spec.header_length = 10;  // no room even for the header
  EXPECT_EQ(LoadError(MakeImage(spec)), "Access out of range");

  spec = base;
  spec.record_length = 0;
  spec.header_records = 2'000'000'000;
  EXPECT_EQ(LoadError(MakeImage(spec)), "Access out of range");

  spec.header_records = 0;
  EXPECT_EQ(LoadError(MakeImage(spec)), "Wrong record size");

  spec = base;
  spec.record_length = 3;  // the field would reach past the record
  EXPECT_EQ(LoadError(MakeImage(spec)), "Wrong record size");

  spec = base;
  spec.header_records = 70000;
  spec.record_length = 60000;  // claims far more bytes than there are
  EXPECT_EQ(LoadError(MakeImage(spec)), "Incorrect DBF file");
}

TEST(DBFAccessLoad, AFailedLoadKeepsTheFieldsReadSoFar) {
  ImageSpec spec;
  spec.descriptors = {Descriptor("GOOD", 'C', 3, 0), Descriptor("BAD", 'L', 5, 0)};
  spec.records = {" abcxxxxx"};
  TDBFAccess access;
  EXPECT_THROW(Load(access, MakeImage(spec)), Exception);
  ASSERT_EQ(access.Structure().Fields.size(), 1u);
  EXPECT_EQ(access.Structure().Fields[0].Name, "GOOD");
}

TEST(DBFAccessWrite, WritesBackWhatItReadWithTodaysDate) {
  ImageSpec spec;
  spec.descriptors = kThreeFields;
  spec.records = {" Ivanov          12.5020261207", "*Petrov          -1.0020260101"};
  TDBFAccess access;
  Load(access, MakeImage(spec));
  const std::string written = access.BuildFile(true, DateParts{2031, 2, 3});
  std::string expected = MakeImage(spec);
  expected[1] = 31;
  expected[2] = 2;
  expected[3] = 3;
  expected[29] = 101;  // mark of an OEM table whose header had none
  EXPECT_EQ(written, expected);

  // A mark once set stays; without OEM a new table gets 3.
  EXPECT_EQ(static_cast<unsigned char>(access.BuildFile(false, DateParts{2031, 2, 3})[29]), 101);
  TDBFAccess ansi;
  Load(ansi, MakeImage(spec));
  EXPECT_EQ(ansi.BuildFile(false, DateParts{2031, 2, 3})[29], 3);
}

TEST(DBFAccessWrite, PackOnSaveLeavesDeletedRecordsOut) {
  ImageSpec spec;
  spec.descriptors = {Descriptor("N", 'N', 2, 0)};
  spec.records = {"  1", "* 2", "  3", "* 4", "  5"};
  TDBFAccess access;
  Load(access, MakeImage(spec));
  access.Structure().DeletedCount = 2;
  const DateParts day{2026, 12, 7};

  std::string all = access.BuildFile(false, day);
  EXPECT_EQ(static_cast<unsigned char>(all[4]), 5);
  EXPECT_EQ(all.substr(65), "  1* 2  3* 4  5\x1A");

  access.SetPackOnSave(true);
  std::string packed = access.BuildFile(false, day);
  EXPECT_EQ(static_cast<unsigned char>(packed[4]), 3);
  EXPECT_EQ(packed.substr(65), "  1  3  5\x1A");
}

TEST(DBFAccessWrite, DBaseIVKeepsItsHeaderBytesAndFlagPosition) {
  ImageSpec spec;
  spec.version = 0x8B;
  std::string d = Descriptor("AMOUNT", 'F', 10, 2);
  d[31] = 1;
  spec.descriptors = {d};
  spec.records = {"      1.50"};
  spec.records[0] = "       1.50";
  std::string image = MakeImage(spec);
  image[14] = 1;
  image[15] = 1;
  image[28] = 1;
  image[29] = static_cast<char>(201);
  TDBFAccess access;
  Load(access, image);
  const TDBFStructure& s = access.Structure();
  EXPECT_EQ(s.Level, kLevelDBase4);
  EXPECT_TRUE(s.IncompleteTransaction);
  EXPECT_TRUE(s.Encrypted);
  EXPECT_TRUE(s.ProductionIndex);
  EXPECT_TRUE(s.DBase4Memo);
  EXPECT_EQ(s.CodePage, 1251);
  EXPECT_EQ(s.Fields[0].Flag, 1);

  std::string written = access.BuildFile(true, DateParts{2026, 12, 7});
  EXPECT_EQ(written, image);  // same day, same bytes: nothing lost, mark untouched
}

TEST(DBFAccessWrite, HeaderAndRecordLengthsFollowTheFieldsWritten) {
  // A file whose header length leaves room after the descriptors (as some writers do).
  ImageSpec spec;
  spec.descriptors = {Descriptor("A", 'C', 2, 0)};
  spec.header_length = 32 * 2 + 1 + 20;
  spec.records = {};
  std::string image = MakeImage(spec);
  image.insert(image.size() - 1, std::string(20, '\0'));
  image.insert(image.size() - 1, " ab");
  TDBFAccess access;
  Load(access, image);
  ASSERT_EQ(access.Structure().Records.Count(), 1);
  const std::string written = access.BuildFile(false, DateParts{2026, 12, 7});
  EXPECT_EQ(static_cast<unsigned char>(written[8]), 65);
  EXPECT_EQ(written.substr(64), "\x0D ab\x1A");
}

TEST(DBFAccessWrite, RefusesFieldsTheLevelCannotHoldBeforeWriting) {
  DBFFieldList fields(1);
  fields[0].Name = "STAMP";
  fields[0].DataType = FieldType::DateTime;
  fields[0].Length = 30;
  EXPECT_NO_THROW(TDBFAccess::CheckFieldsWritable(fields, true));
  try {
    TDBFAccess::CheckFieldsWritable(fields, false);
    FAIL() << "DateTime in a dBase IV file was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Field STAMP of type 11 cannot be stored in a dBase IV file");
  }
  fields[0].DataType = FieldType::Blob;
  fields[0].Length = 10;
  EXPECT_THROW(TDBFAccess::CheckFieldsWritable(fields, true), Exception);
  fields[0].DataType = FieldType::String;
  fields[0].Name = "WIDE";
  fields[0].Length = 256;
  try {
    TDBFAccess::CheckFieldsWritable(fields, true);
    FAIL() << "a 256-character field was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Field WIDE is 256 characters wide; a DBF field holds at most 255");
  }
}

TEST(DBFTypeLetters, BothLevels) {
  struct Case {
    FieldType type;
    char iii, iv;
  };
  const Case cases[] = {
      {FieldType::String, 'C', 'C'},     {FieldType::Smallint, 'N', 'N'},
      {FieldType::Integer, 'N', 'N'},    {FieldType::Boolean, 'L', 'L'},
      {FieldType::Float, 'N', 'F'},      {FieldType::Currency, 'N', 'F'},
      {FieldType::BCD, 'N', 'F'},        {FieldType::FMTBcd, 'N', 'F'},
      {FieldType::Date, 'D', 'D'},       {FieldType::DateTime, 'C', '\0'},
      {FieldType::TimeStamp, '\0', 'C'}, {FieldType::Blob, '\0', 'B'},
      {FieldType::Memo, 'M', 'M'},       {FieldType::DBaseOle, '\0', 'O'},
      {FieldType::Word, '\0', '\0'},     {FieldType::Largeint, '\0', '\0'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FieldTypeCode(c.type));
    EXPECT_EQ(DBFTypeLetter(c.type, true), c.iii);
    EXPECT_EQ(DBFTypeLetter(c.type, false), c.iv);
  }
  EXPECT_EQ(DBFCodePageOfMark(101), 866);
  EXPECT_EQ(DBFCodePageOfMark(201), 1251);
  EXPECT_EQ(DBFCodePageOfMark(7), 0);
}

}  // namespace
}  // namespace kvr
