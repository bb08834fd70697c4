#include "markdown_tables.h"

#include <gtest/gtest.h>

#include <fstream>

namespace kvr::test {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

// "| a | b |" -> {"a", "b"}; pipes inside backticks belong to the cell.
std::vector<std::string> Cells(std::string_view line) {
  line = TrimBlanks(line);
  if (!line.empty() && line.front() == '|') line.remove_prefix(1);
  if (!line.empty() && line.back() == '|') line.remove_suffix(1);
  std::vector<std::string> cells;
  std::string cell;
  bool code = false;
  for (char c : line) {
    if (c == '`') code = !code;
    if (c == '|' && !code) {
      cells.emplace_back(TrimBlanks(cell));
      cell.clear();
    } else {
      cell += c;
    }
  }
  cells.emplace_back(TrimBlanks(cell));
  return cells;
}

bool IsTableLine(std::string_view line) {
  line = TrimBlanks(line);
  return !line.empty() && line.front() == '|';
}

}  // namespace

std::vector<MdSection> ReadMarkdown(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in.is_open()) << "cannot read " << path;
  std::vector<MdSection> sections(1);
  std::vector<std::string> table_lines;
  auto end_table = [&] {
    if (table_lines.size() >= 2) {
      MdTable table;
      table.header = Cells(table_lines[0]);
      for (std::size_t i = 2; i < table_lines.size(); ++i)
        table.rows.push_back(Cells(table_lines[i]));
      sections.back().tables.push_back(std::move(table));
    }
    table_lines.clear();
  };
  std::string line;
  while (std::getline(in, line)) {
    if (IsTableLine(line)) {
      table_lines.push_back(line);
    } else {
      end_table();
      if (line.rfind("## ", 0) == 0) {
        sections.emplace_back();
        sections.back().heading = std::string(TrimBlanks(std::string_view(line).substr(3)));
      }
    }
    sections.back().text += line + "\n";
  }
  end_table();
  return sections;
}

const MdSection* FindSection(const std::vector<MdSection>& sections, std::string_view heading) {
  for (const MdSection& s : sections)
    if (s.heading == heading) return &s;
  return nullptr;
}

std::vector<const MdTable*> TablesWithHeader(const MdSection& section,
                                             const std::vector<std::string>& header) {
  std::vector<const MdTable*> found;
  for (const MdTable& t : section.tables)
    if (t.header == header) found.push_back(&t);
  return found;
}

std::string Plain(std::string_view cell) {
  std::string out;
  for (char c : cell)
    if (c != '`') out += c;
  return out;
}

std::string DocsPath(std::string_view file) {
  return std::string(KVR_DOCS_DIR) + "/" + std::string(file);
}

}  // namespace kvr::test
