// Reads the tables of the reference in docs/: a Markdown file split into its "## " sections,
// each with the pipe tables it holds, so that tests can compare the reference with the library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kvr::test {

struct MdTable {
  std::vector<std::string> header;             // cells of the first line, trimmed
  std::vector<std::vector<std::string>> rows;  // the lines after the separator line
};

struct MdSection {
  std::string heading;  // the text after "## ", empty for the part before the first heading
  std::string text;     // every line of the section, tables included
  std::vector<MdTable> tables;
};

// The sections of a Markdown file in order; a missing file fails the calling test.
std::vector<MdSection> ReadMarkdown(const std::string& path);

// The section whose heading is `heading`, or null.
const MdSection* FindSection(const std::vector<MdSection>& sections, std::string_view heading);

// The tables whose header is exactly `header`.
std::vector<const MdTable*> TablesWithHeader(const MdSection& section,
                                             const std::vector<std::string>& header);

// A cell without its backticks: "`SaleLog.dbf`" -> "SaleLog.dbf".
std::string Plain(std::string_view cell);

// The directory of the reference (docs/ in the source tree).
std::string DocsPath(std::string_view file);

}  // namespace kvr::test
