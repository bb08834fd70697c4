// The dump a person reads to check an export.
#include "dbf/dbf_dump.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/text.h"
#include "dbf/mem_dbf_table.h"
#include "dbf_test_support.h"

namespace kvr {
namespace {

using namespace kvr::literals;

TEST(DBFDump, HeaderFieldsAndRecordsInUtf8) {
  test::ScratchDir dir;
  TMemDBFTable table;
  table.FieldDefs().Add("Name", FieldType::String, 6);
  table.FieldDefs().Add("N", FieldType::Integer);
  table.CreateTable();
  table.Open();
  for (auto [name, n] : {std::pair{"Дизель"_w, 1}, std::pair{"Бензин"_w, 2}}) {
    table.Append();
    table.FieldByName("Name").SetAsString(name);
    table.FieldByName("N").SetAsInteger(n);
    table.Post();
  }
  table.First();
  table.Delete();
  table.SaveToFile(dir.File("d.dbf"));

  std::ostringstream oem;
  DumpDBFFile(dir.File("d.dbf"), DumpEncoding::kOem, oem);
  const std::string text = oem.str();
  EXPECT_NE(text.find("Level:        dBase III+"), std::string::npos) << text;
  EXPECT_NE(text.find("mark 101 (866)"), std::string::npos) << text;
  EXPECT_NE(text.find("Records:      2 (header says 2)"), std::string::npos) << text;
  EXPECT_NE(text.find("  NAME C 6.0\n  N N 11.0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("* Дизель |           1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("  Бензин |           2\n"), std::string::npos) << text;

  std::ostringstream ansi;  // the wrong code page shows other letters, not Cyrillic
  DumpDBFFile(dir.File("d.dbf"), DumpEncoding::kAnsi, ansi);
  EXPECT_EQ(ansi.str().find("Дизель"), std::string::npos);

  std::ostringstream broken;
  EXPECT_THROW(DumpDBFImage(std::string("\x01garbage"), DumpEncoding::kOem, broken), Exception);
  EXPECT_THROW(DumpDBFFile(dir.File("missing.dbf"), DumpEncoding::kOem, broken), EFOpenError);
}

}  // namespace
}  // namespace kvr
