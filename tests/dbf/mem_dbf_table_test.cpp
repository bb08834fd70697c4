// TMemDBFTable: creating, filling, saving and reading tables through the dataset interface.
#include "dbf/mem_dbf_table.h"

#include <gtest/gtest.h>

#include "codepage/code_page.h"
#include "common/text.h"
#include "dbf_test_support.h"
#include "platform/ui_sinks.h"
#include "support/error_of.h"

namespace kvr {
namespace {

using namespace kvr::literals;
using test::Descriptor;
using test::ErrorOf;
using test::Header3;
using test::ReadBytes;
using test::ScratchDir;
using test::WriteBytes;

// NAME C(12), QTY N(11), PRICE N(10,2), DAY D, PAID L.
void DefineSaleFields(TMemDBFTable& table) {
  table.FieldDefs().Add("Name", FieldType::String, 12);
  table.FieldDefs().Add("Qty", FieldType::Integer);
  table.FieldDefs().Add("Price", FieldType::Float, 10).SetPrecision(2);
  table.FieldDefs().Add("Day", FieldType::Date);
  table.FieldDefs().Add("Paid", FieldType::Boolean);
}

TEST(MemDBFTable, WritesTheWholeFileByteForByte) {
  ScratchDir dir;
  TMemDBFTable table;
  DefineSaleFields(table);
  table.CreateTable();
  table.Open();
  table.Append();
  table.FieldByName("name").SetAsString("abc");
  table.FieldByName("QTY").SetAsInteger(-42);
  table.FieldByName("Price").SetAsFloat(12.345);
  table.FieldByName("Day").SetAsDateTime(EncodeDate(2026, 12, 7));
  table.FieldByName("Paid").SetAsBoolean(true);
  table.Post();
  table.Append();
  table.FieldByName("Name").SetAsString("Привет, мир!!"_w);  // 13 characters: cut to 12
  table.Post();
  table.SaveToFile(dir.File("sale.dbf"));

  std::string expected = Header3(2, 32 * 6 + 1, 1 + 12 + 11 + 10 + 8 + 1, 101);
  expected += Descriptor("NAME", 'C', 12, 0) + Descriptor("QTY", 'N', 11, 0) +
              Descriptor("PRICE", 'N', 10, 2) + Descriptor("DAY", 'D', 8, 0) +
              Descriptor("PAID", 'L', 1, 0) + "\x0D";
  expected += std::string(" abc         ") + "        -42" + "     12.35" + "20261207" + "T";
  expected += " " + codepage::AnsiToOem("Привет, мир!"_w) + std::string(11 + 10 + 8 + 1, ' ');
  expected += "\x1A";
  EXPECT_EQ(ReadBytes(dir.File("sale.dbf")), expected);
}

TEST(MemDBFTable, CreateTableLengthsAndTheCodePageMark) {
  ScratchDir dir;
  TMemDBFTable table;
  table.FieldDefs().Add("A", FieldType::String, 10);
  table.FieldDefs().Add("B", FieldType::String, 11);
  table.FieldDefs().Add("C", FieldType::Date);
  table.CreateTable(dir.File("made.dbf"));
  EXPECT_EQ(table.FileName(), dir.File("made.dbf"));
  std::string made = ReadBytes(dir.File("made.dbf"));
  ASSERT_EQ(made.size(), 32u * 4 + 2);
  EXPECT_EQ(made, Header3(0, 129, 30, 0) + Descriptor("A", 'C', 10, 0) +
                      Descriptor("B", 'C', 11, 0) + Descriptor("C", 'D', 8, 0) + "\x0D\x1A");

  TMemDBFTable oem, ansi;
  for (TMemDBFTable* t : {&oem, &ansi}) {
    t->FieldDefs().Add("A", FieldType::String, 1);
    t->CreateTable();
    t->Open();
  }
  ansi.SetOEM(false);
  oem.SaveToFile(dir.File("oem.dbf"));
  ansi.SaveToFile(dir.File("ansi.dbf"));
  EXPECT_EQ(ReadBytes(dir.File("oem.dbf"))[0], 3);
  EXPECT_EQ(static_cast<unsigned char>(ReadBytes(dir.File("oem.dbf"))[29]), 101);
  EXPECT_EQ(ReadBytes(dir.File("ansi.dbf"))[29], 3);
}

TEST(MemDBFTable, CreateTableMapsDefinitionTypes) {
  struct Case {
    FieldType type;
    int size, precision;
    FieldType opened_type;
    int length, decimals;
  };
  const Case cases[] = {
      {FieldType::String, 25, 0, FieldType::String, 25, 0},
      {FieldType::Smallint, 0, 0, FieldType::Integer, 11, 0},
      {FieldType::Integer, 0, 0, FieldType::Integer, 11, 0},
      {FieldType::Largeint, 0, 0, FieldType::Integer, 11, 0},
      {FieldType::Boolean, 0, 0, FieldType::Boolean, 1, 0},
      {FieldType::Float, 0, 0, FieldType::Float, 20, 4},
      {FieldType::Float, 12, 3, FieldType::Float, 12, 3},
      {FieldType::Currency, 0, 2, FieldType::Float, 20, 2},
      {FieldType::BCD, 9, 2, FieldType::Float, 20, 4},
      {FieldType::FMTBcd, 0, 0, FieldType::Float, 20, 4},
      {FieldType::Date, 0, 0, FieldType::Date, 8, 0},
      {FieldType::DateTime, 0, 0, FieldType::String, 30, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(FieldTypeCode(c.type));
    TMemDBFTable table;
    table.FieldDefs().Add("TrkSmenaCorr", c.type, c.size).SetPrecision(c.precision);
    table.CreateTable();
    table.Open();
    ASSERT_EQ(table.FieldCount(), 1);
    EXPECT_EQ(table.Fields(0).FieldName(), "TRKSMENACO");
    EXPECT_EQ(table.Fields(0).DataType(), c.opened_type);
    const TDBFField& field = table.Structure().Fields.at(0);
    EXPECT_EQ(field.Length, c.length);
    EXPECT_EQ(field.Decimals, c.decimals);
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_TRUE(table.Eof());
  }
}

TEST(MemDBFTable, CreateTableRefusals) {
  for (FieldType type : {FieldType::Word, FieldType::Time, FieldType::Blob, FieldType::Memo}) {
    TMemDBFTable table;
    table.FieldDefs().Add("X", type);
    EXPECT_EQ(ErrorOf([&] { table.CreateTable(); }),
              "CreateTable -> Invalid field type: " + std::to_string(FieldTypeCode(type)));
  }
  TMemDBFTable empty;
  EXPECT_EQ(ErrorOf([&] { empty.CreateTable(); }),
            "CreateTable -> No fields defined: a table needs at least one");
  TMemDBFTable wide;
  wide.FieldDefs().Add("Comment", FieldType::String, 300);
  EXPECT_EQ(ErrorOf([&] { wide.CreateTable(); }),
            "Field COMMENT is 300 characters wide; a DBF field holds at most 255");
  for (int width : {0, -5}) {
    TMemDBFTable narrow;
    narrow.FieldDefs().Add("GSMName", FieldType::String, width);
    EXPECT_EQ(ErrorOf([&] { narrow.CreateTable(); }),
              "CreateTable -> Field GSMNAME is " + std::to_string(width) +
                  " characters wide; a text field needs at least 1");
  }
}

TEST(MemDBFTable, ValuesRoundTripThroughAFile) {
  ScratchDir dir;
  {
    TMemDBFTable table;
    DefineSaleFields(table);
    table.CreateTable();
    table.Open();
    table.Append();
    table.FieldByName("Name").SetAsString("Щука"_w);
    table.FieldByName("Qty").SetAsInteger(1234567);
    table.FieldByName("Price").SetAsFloat(-0.5);
    table.FieldByName("Day").SetAsDateTime(EncodeDate(1999, 1, 31));
    table.FieldByName("Paid").SetAsBoolean(false);
    table.Post();
    table.Append();  // nothing assigned: stored blank
    table.Post();
    table.Append();
    table.FieldByName("Name").SetAsString("АИ-92\t"_w);  // a tab is no padding
    table.Post();
    table.SaveToFile(dir.File("t.dbf"));
  }
  TMemDBFTable table;
  table.SetFileName(dir.File("t.dbf"));
  table.Open();
  EXPECT_EQ(table.VersionText(), "dBase III+");
  ASSERT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.FieldByName("NAME").AsString(), "Щука"_w);
  EXPECT_EQ(table.FieldByName("QTY").AsInteger(), 1234567);
  EXPECT_DOUBLE_EQ(table.FieldByName("PRICE").AsFloat(), -0.5);
  EXPECT_EQ(table.FieldByName("DAY").AsDateTime(), EncodeDate(1999, 1, 31));
  EXPECT_FALSE(table.FieldByName("PAID").IsNull());
  EXPECT_FALSE(table.FieldByName("PAID").AsBoolean());
  table.Next();
  EXPECT_FALSE(table.Eof());
  for (int i = 0; i < table.FieldCount(); ++i) EXPECT_TRUE(table.Fields(i).IsNull()) << i;
  EXPECT_EQ(table.FieldByName("NAME").AsString(), "");
  table.Next();
  EXPECT_EQ(table.FieldByName("NAME").AsString(), "АИ-92\t"_w);
  table.Next();
  EXPECT_TRUE(table.Eof());
}

TEST(MemDBFTable, StringAndIntegerCutting) {
  TMemDBFTable table;
  table.FieldDefs().Add("S", FieldType::String, 4);
  table.CreateTable();
  table.Open();
  table.Append();
  table.FieldByName("S").SetAsString("abcdef");
  table.Post();
  EXPECT_EQ(table.FieldByName("S").AsString(), "abcd");

  DBFFieldList fields(1);
  fields[0].Name = "N";
  fields[0].DataType = FieldType::Integer;
  fields[0].Length = 5;
  fields[0].Offset = 1;
  TMemDBFTable narrow;
  narrow.CreateTable("", &fields);
  narrow.Open();
  narrow.Append();
  narrow.FieldByName("N").SetAsInteger(1234567);
  narrow.Post();
  EXPECT_EQ(narrow.FieldByName("N").AsInteger(), 12345);
}

TEST(MemDBFTable, DeletedRecordsAreHiddenSavedAndPacked) {
  ScratchDir dir;
  TMemDBFTable table;
  table.FieldDefs().Add("N", FieldType::Integer);
  table.CreateTable();
  table.Open();
  for (int i = 1; i <= 5; ++i) {
    table.Append();
    table.FieldByName("N").SetAsInteger(i);
    table.Post();
  }
  table.SetRecNo(2);
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 2);
  table.Delete();
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 3);  // the next visible record
  table.Delete();
  EXPECT_EQ(table.RecordCount(), 5);  // deleted records stay in the list

  std::vector<int> seen;
  for (table.First(); !table.Eof(); table.Next())
    seen.push_back(table.FieldByName("N").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 4, 5}));
  table.SetShowDeleted(true);
  seen.clear();
  for (table.First(); !table.Eof(); table.Next())
    seen.push_back(table.FieldByName("N").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5}));

  table.SaveToFile(dir.File("all.dbf"));
  table.SetPackOnSave(true);
  table.SaveToFile(dir.File("packed.dbf"));
  const std::string all = ReadBytes(dir.File("all.dbf"));
  const std::string packed = ReadBytes(dir.File("packed.dbf"));
  EXPECT_EQ(all[4], 5);
  auto rec = [](char flag, int n) { return flag + std::string(10, ' ') + std::to_string(n); };
  EXPECT_EQ(all.substr(65),
            rec(' ', 1) + rec('*', 2) + rec('*', 3) + rec(' ', 4) + rec(' ', 5) + "\x1A");
  EXPECT_EQ(packed[4], 3);
  EXPECT_EQ(packed.substr(65), rec(' ', 1) + rec(' ', 4) + rec(' ', 5) + "\x1A");
}

TEST(MemDBFTable, InsertEditCancelAndBookmarks) {
  TMemDBFTable table;
  table.FieldDefs().Add("N", FieldType::Integer);
  table.CreateTable();
  table.Open();
  table.Insert();  // into an empty table
  table.FieldByName("N").SetAsInteger(10);
  table.Post();
  table.Append();
  table.FieldByName("N").SetAsInteger(30);
  table.Post();
  const TBookmark thirty = table.GetBookmark();
  table.Insert();  // before 30
  table.FieldByName("N").SetAsInteger(20);
  table.Post();
  EXPECT_EQ(table.RecNo(), 2);

  std::vector<int> seen;
  for (table.First(); !table.Eof(); table.Next())
    seen.push_back(table.FieldByName("N").AsInteger());
  EXPECT_EQ(seen, (std::vector<int>{10, 20, 30}));

  table.GotoBookmark(thirty);
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 30);
  table.Edit();
  table.FieldByName("N").SetAsInteger(31);
  EXPECT_TRUE(table.Modified());
  table.Cancel();
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 30);
  table.Edit();
  table.FieldByName("N").SetAsInteger(33);
  table.Post();
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 33);

  table.Append();
  table.Cancel();  // nothing added
  EXPECT_EQ(table.RecordCount(), 3);
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 33);

  TBookmark unknown(4, '\x7F');
  EXPECT_EQ(ErrorOf([&] { table.GotoBookmark(unknown); }), "Cannot find bookmark");

  table.SetRecNo(0);
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 10);
  table.SetRecNo(3);
  EXPECT_EQ(table.FieldByName("N").AsInteger(), 33);
  table.SetRecNo(7);  // ignored
  EXPECT_EQ(table.RecNo(), 3);
  table.SetRecNo(-1);
  EXPECT_EQ(table.RecNo(), 3);
}

TEST(MemDBFTable, WritingOutsideEditModeIsRefused) {
  TMemDBFTable table;
  table.FieldDefs().Add("N", FieldType::Integer);
  table.CreateTable();
  table.Open();
  EXPECT_EQ(ErrorOf([&] { table.FieldByName("N").SetAsInteger(1); }),
            "Dataset not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { table.Delete(); }), "Cannot perform this operation on an empty dataset");
  EXPECT_EQ(ErrorOf([&] { table.FieldByName("Missing"); }), "Field 'Missing' not found");
}

TEST(MemDBFTable, SaveToFileWithBackup) {
  ScratchDir dir;
  const std::string name = dir.File("A.DBF");
  WriteBytes(name, "old content");
  TMemDBFTable table;
  table.FieldDefs().Add("S", FieldType::String, 3);
  table.CreateTable();
  table.Open();
  table.SetMakeBackup(true);
  table.SaveToFile(name);
  EXPECT_EQ(ReadBytes(dir.File("A.~DBF")), "old content");
  EXPECT_EQ(ReadBytes(name).size(), 32u * 2 + 2);

  WriteBytes(dir.File("A.~DBF"), "older backup");
  table.SaveToFile(name);  // the old backup is replaced by the previous file
  EXPECT_EQ(ReadBytes(dir.File("A.~DBF")).size(), 32u * 2 + 2);

  table.SaveToFile(dir.File("fresh.dbf"));  // no current file: no backup, no error
  EXPECT_EQ(test::ReadBytes(dir.File("fresh.~dbf")), "");
  EXPECT_EQ(table.FileName(), "");
}

TEST(MemDBFTable, FileNamesAndFileErrors) {
  ScratchDir dir;
  TMemDBFTable table;
  EXPECT_EQ(ErrorOf([&] { table.SaveToFile(); }), "Can not save to file. File name requested");
  table.SetFileName(dir.File("missing.dbf"));
  const std::string missing = ErrorOf([&] { table.Open(); });
  EXPECT_NE(missing.find(dir.File("missing.dbf")), std::string::npos) << missing;
  EXPECT_FALSE(table.Active());

  table.FieldDefs().Add("S", FieldType::String, 3);
  table.CreateTable(dir.File("t.dbf"));
  table.Open();
  EXPECT_EQ(ErrorOf([&] { table.SetFileName(dir.File("other.dbf")); }),
            "Cannot change Filename if table is active");
  EXPECT_NO_THROW(table.SetFileName(dir.File("t.dbf")));
  const std::string denied = ErrorOf([&] { table.SaveToFile(dir.File("no/such/dir/t.dbf")); });
  EXPECT_NE(denied.find("no/such/dir/t.dbf"), std::string::npos) << denied;
}

TEST(MemDBFTable, AFailedOpenLeavesTheTableClosedAndDropsThePendingFile) {
  ScratchDir dir;
  WriteBytes(dir.File("bad.dbf"), std::string("\x02") + std::string(40, '\0'));
  TMemDBFTable table;
  table.SetFileName(dir.File("bad.dbf"));
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), "Incorrect DBF file");
  EXPECT_FALSE(table.Active());
  EXPECT_EQ(table.VersionText(), "Unknown");
}

TEST(MemDBFTable, ReadsDBaseIVFilesAndTheirMemoHeader) {
  ScratchDir dir;
  std::string image(32, '\0');
  image[0] = static_cast<char>(0x8B);
  image[1] = 51;  // 1951
  image[2] = 3;
  image[3] = 9;
  image[4] = 1;
  image[8] = 97;
  image[10] = 1 + 4 + 10;
  image += Descriptor("NAME", 'C', 4, 0) + Descriptor("NOTES", 'M', 10, 0) + "\x0D";
  image += " ab          7\x1A";
  WriteBytes(dir.File("iv.dbf"), image);
  std::string memo(600, 'm');
  memo[0] = 'H';
  WriteBytes(dir.File("iv.dbt"), memo);

  TMemDBFTable table;
  table.SetFileName(dir.File("iv.dbf"));
  table.Open();
  EXPECT_EQ(table.VersionText(), "dBase IV");
  EXPECT_EQ(table.LastUpdateText(), "09.03.1951");
  EXPECT_EQ(table.MemoHeader().size(), 512u);
  EXPECT_EQ(table.MemoHeader()[0], 'H');
  EXPECT_EQ(table.FieldByName("NOTES").DataType(), FieldType::Memo);
  EXPECT_FALSE(table.FieldByName("NOTES").IsNull());
  table.Close();

  std::remove(dir.File("iv.dbt").c_str());
  const std::string error = ErrorOf([&] { table.Open(); });
  EXPECT_NE(error.find("iv.dbt"), std::string::npos) << error;
}

TEST(MemDBFTable, ErrorHandlerCallsOnDBFErrorOrShowsAMessageBox) {
  TMemDBFTable table;
  std::string shown, caption;
  platform::SetMessageBoxSink(
      [&](std::string_view text, std::string_view cap, platform::MessageBoxIcon) {
        shown = text;
        caption = cap;
      });
  table.DBFError("broken");
  platform::SetMessageBoxSink({});
  EXPECT_EQ(shown, "broken");
  EXPECT_EQ(caption, "Error");

  std::string handled;
  table.OnDBFError = [&](void* sender, std::string_view message) {
    EXPECT_EQ(sender, &table);
    handled = message;
  };
  table.DBFError("again");
  EXPECT_EQ(handled, "again");
}

}  // namespace
}  // namespace kvr
