// Files the table writes, read back by an independent reader (Python's dbfread, from
// Debian's python3-dbfread) when it is installed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "codepage/code_page.h"
#include "common/text.h"
#include "dbf/mem_dbf_table.h"
#include "dbf_test_support.h"

namespace kvr {
namespace {

using namespace kvr::literals;

// Debian's package installs for the system interpreter, which may not be the first python3
// on the PATH.
std::string PythonWithDbfread() {
  for (const char* python : {"/usr/bin/python3", "python3"})
    if (std::system((std::string(python) + " -c 'import dbfread' >/dev/null 2>&1").c_str()) == 0)
      return python;
  return {};
}

std::string RunPython(const std::string& python, const std::string& script_path,
                      const std::string& argument) {
  const std::string command = python + " " + script_path + " " + argument + " 2>&1";
  std::string output;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ::pclose(pipe);
  }
  return output;
}

TEST(DbfreadInterop, ReadsTheSameFieldsAndValues) {
  const std::string python = PythonWithDbfread();
  if (python.empty()) GTEST_SKIP() << "python3-dbfread is not installed";
  test::ScratchDir dir;
  const std::string file = dir.File("export.dbf");
  {
    TMemDBFTable table;
    table.FieldDefs().Add("GSMName", FieldType::String, 20);
    table.FieldDefs().Add("KodGsm", FieldType::Integer);
    table.FieldDefs().Add("Liter", FieldType::Float);
    table.FieldDefs().Add("Day", FieldType::Date);
    table.FieldDefs().Add("KA", FieldType::Boolean);
    table.FieldDefs().Add("Data", FieldType::DateTime);
    table.CreateTable();
    table.Open();
    table.Append();
    table.FieldByName("GSMName").SetAsString("ДТ-Евро класс 5"_w);
    table.FieldByName("KodGsm").SetAsInteger(-42);
    table.FieldByName("Liter").SetAsFloat(1234.5678);
    table.FieldByName("Day").SetAsDateTime(EncodeDate(2026, 12, 7));
    table.FieldByName("KA").SetAsBoolean(true);
    table.FieldByName("Data").SetAsString("12/07/2026 01:19:05 PM");
    table.Post();
    table.Append();  // a blank record: every value absent
    table.Post();
    table.Append();
    table.FieldByName("GSMName").SetAsString("АИ-95"_w);
    table.FieldByName("KodGsm").SetAsInteger(95);
    table.FieldByName("Liter").SetAsFloat(0.5);
    table.FieldByName("KA").SetAsBoolean(false);
    table.Post();
    table.SaveToFile(file);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("export.cpg")));
  const std::string output =
      RunPython(python, std::string(KVR_TEST_SOURCE_DIR) + "/dbf/read_with_dbfread.py", file);
  const std::string expected =
      "encoding cp866\n"
      "field GSMNAME C 20 0\nfield KODGSM N 11 0\nfield LITER N 20 4\n"
      "field DAY D 8 0\nfield KA L 1 0\nfield DATA C 30 0\n"
      "record 'ДТ-Евро класс 5'|-42|1234.5678|2026-12-07|True|'12/07/2026 01:19:05 PM'\n"
      "record ''|None|None|None|None|''\n"
      "record 'АИ-95'|95|0.5|None|False|''\n";
  EXPECT_EQ(output, expected);
}

}  // namespace
}  // namespace kvr
