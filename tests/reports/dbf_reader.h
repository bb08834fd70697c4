// Reads a written export file the way the accounting side sees it: the field descriptors and
// every record's field texts, straight from the file's bytes (TDBFAccess), with text fields
// decoded from the OEM code page to Windows-1251.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvr::test {

struct DbfColumn {
  std::string name;
  char type = '\0';  // 'C', 'N', 'L', 'D'
  int length = 0;
  int decimals = 0;
};

class DbfContent {
 public:
  std::vector<DbfColumn> columns;
  // rows[i][j]: field j of record i, blanks trimmed at both ends; C fields in Windows-1251.
  std::vector<std::vector<std::string>> rows;
  // The file's raw record texts (deletion flag first, OEM bytes as stored).
  std::vector<std::string> raw_records;

  std::vector<std::string> Names() const;
  // Column index by name (exact, upper case as stored); fails the test when absent.
  int Column(std::string_view name) const;
  bool Has(std::string_view name) const;
  const std::string& At(std::size_t row, std::string_view name) const;
  double Number(std::size_t row, std::string_view name) const;
  // All values of one column, in record order.
  std::vector<std::string> Values(std::string_view name) const;
};

DbfContent ReadDbf(const std::string& path);

// "NAME C 30", "LITER N 20.4": one text per column, for compact layout expectations.
std::vector<std::string> Layout(const DbfContent& dbf);

}  // namespace kvr::test
