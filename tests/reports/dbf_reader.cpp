#include "dbf_reader.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "codepage/code_page.h"
#include "dbf/dbf_access.h"
#include "dbf/memory_stream.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

std::string Trim(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return std::string(text);
}

}  // namespace

std::vector<std::string> DbfContent::Names() const {
  std::vector<std::string> names;
  for (const DbfColumn& c : columns) names.push_back(c.name);
  return names;
}

bool DbfContent::Has(std::string_view name) const {
  for (const DbfColumn& c : columns)
    if (c.name == name) return true;
  return false;
}

int DbfContent::Column(std::string_view name) const {
  for (std::size_t i = 0; i < columns.size(); ++i)
    if (columns[i].name == name) return static_cast<int>(i);
  ADD_FAILURE() << "no column " << name;
  throw std::runtime_error("no column " + std::string(name));
}

const std::string& DbfContent::At(std::size_t row, std::string_view name) const {
  return rows.at(row).at(static_cast<std::size_t>(Column(name)));
}

double DbfContent::Number(std::size_t row, std::string_view name) const {
  const std::string& text = At(row, name);
  return text.empty() ? 0.0 : std::stod(text);
}

std::vector<std::string> DbfContent::Values(std::string_view name) const {
  std::vector<std::string> values;
  const auto column = static_cast<std::size_t>(Column(name));
  for (const auto& row : rows) values.push_back(row[column]);
  return values;
}

DbfContent ReadDbf(const std::string& path) {
  if (!platform::FileExists(path)) throw std::runtime_error("no file " + path);
  TMemoryStream stream(platform::ReadWholeFile(path));
  TDBFAccess access;
  access.LoadFromStream(stream);
  const TDBFStructure& s = access.Structure();
  DbfContent content;
  for (const TDBFField& f : s.Fields)
    content.columns.push_back({f.Name, DBFTypeLetter(f.DataType, true), f.Length, f.Decimals});
  for (int i = 0; i < s.Records.Count(); ++i) {
    const std::string_view record = s.Records.Text(i);
    content.raw_records.emplace_back(record);
    std::vector<std::string> row;
    for (const TDBFField& f : s.Fields) {
      std::string text = Trim(record.substr(f.Offset, f.Length));
      if (f.DataType == FieldType::String) text = codepage::OemToAnsi(text);
      row.push_back(std::move(text));
    }
    content.rows.push_back(std::move(row));
  }
  return content;
}

std::vector<std::string> Layout(const DbfContent& dbf) {
  std::vector<std::string> layout;
  for (const DbfColumn& c : dbf.columns) {
    std::string text = c.name + " " + c.type + " " + std::to_string(c.length);
    if (c.decimals) text += "." + std::to_string(c.decimals);
    layout.push_back(text);
  }
  return layout;
}

}  // namespace kvr::test
