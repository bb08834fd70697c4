// The reference of the exports against the library: each field table of docs/exports.md
// against the file its export writes (names, types, widths and decimals, optional fields with
// and without the columns they need, fuel-name fields with another width), the report table of
// docs/calling.md against the entry point (parameters, titles in the log, result texts), and
// its table of results against the cases it names.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "markdown_tables.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

const std::vector<std::string> kFieldHeader = {"Field", "Type", "Width", "Dec", "When", "From"};
const std::vector<std::string> kReportHeader = {"Report",     "Sub-code", "Title in the log",
                                                "Parameters", "File",     "Text on success"};
const std::vector<std::string> kResultHeader = {"Case", "Result", "Text"};
constexpr int kOtherFuelNameWidth = 24;

// ---- the reference

struct Parameter {
  std::string name;  // "begin", "last shift", ...
  std::string type;  // "date-time", "integer", "text"
  bool optional = false;
};

struct Report {
  char code = 0;
  int sub_code = 0;  // 0 outside the "8" family
  std::string title, file, success_text;
  std::vector<Parameter> parameters;
};

// "0 begin: date-time; 1 end: date-time; 4 shop directory (optional): text"
std::vector<Parameter> ParseParameters(const std::string& cell) {
  static const std::regex one(R"re((\d+) ([^:;(]+?)( \(optional\))?: (date-time|integer|text))re");
  std::vector<Parameter> parameters;
  for (std::sregex_iterator m(cell.begin(), cell.end(), one), end; m != end; ++m) {
    EXPECT_EQ(std::stoul((*m)[1]), parameters.size()) << "elements out of order in: " << cell;
    parameters.push_back({(*m)[2], (*m)[4], (*m)[3].matched});
  }
  EXPECT_FALSE(parameters.empty()) << cell;
  return parameters;
}

const std::vector<Report>& Reports() {
  static const std::vector<Report> reports = [] {
    std::vector<Report> out;
    const auto sections = ReadMarkdown(DocsPath("calling.md"));
    const MdSection* section = FindSection(sections, "Reports");
    EXPECT_NE(section, nullptr);
    if (!section) return out;
    const auto tables = TablesWithHeader(*section, kReportHeader);
    EXPECT_EQ(tables.size(), 1u);
    for (const MdTable* t : tables) {
      for (const auto& row : t->rows) {
        Report r;
        r.code = Plain(row[0]).at(0);
        r.sub_code = row[1].empty() ? 0 : std::stoi(row[1]);
        r.title = row[2];
        r.parameters = ParseParameters(row[3]);
        r.file = Plain(row[4]);
        r.success_text = row[5] == "empty" ? "" : Plain(row[5]);
        out.push_back(r);
      }
    }
    return out;
  }();
  return reports;
}

const Report& FindReport(char code, int sub_code) {
  for (const Report& r : Reports())
    if (r.code == code && r.sub_code == sub_code) return r;
  ADD_FAILURE() << "no report " << code << "/" << sub_code << " in docs/calling.md";
  static const Report none;
  return none;
}

struct FieldRow {
  std::string name, type;
  int width = 0, decimals = 0;
  std::string when, from;
};

// The section of an export: "Sale log (report 0)", "Cash receipts (report 8, sub-code 4)".
const MdSection* ExportSection(const std::vector<MdSection>& sections, char code, int sub_code) {
  const std::string tag = sub_code ? "(report 8, sub-code " + std::to_string(sub_code) + ")"
                                   : std::string("(report ") + code + ")";
  for (const MdSection& s : sections)
    if (s.heading.size() > tag.size() && s.heading.ends_with(tag)) return &s;
  return nullptr;
}

std::vector<std::vector<FieldRow>> FieldTables(const MdSection& section) {
  std::vector<std::vector<FieldRow>> tables;
  for (const MdTable* t : TablesWithHeader(section, kFieldHeader)) {
    std::vector<FieldRow> rows;
    for (const auto& row : t->rows)
      rows.push_back({row[0], row[1], std::stoi(row[2]), std::stoi(row[3]), row[4], row[5]});
    tables.push_back(rows);
  }
  return tables;
}

const std::vector<MdSection>& ExportSections() {
  static const std::vector<MdSection> sections = ReadMarkdown(DocsPath("exports.md"));
  return sections;
}

// ---- the runs

enum class Machine { kMinimal, kFull };

struct LayoutCase {
  char code;
  int sub_code;
  Machine station;
  bool optional_parameters;  // also the optional elements (the sale log's shop directory)
  std::size_t table;         // which field table of the section
};

// The minimal station has none of the optional columns and the defaults of cnf.ini; the full
// one has them all, the host's KA column on and fuel-name fields kOtherFuelNameWidth wide.
const LayoutCase kLayoutCases[] = {
    {'0', 0, Machine::kMinimal, false, 0}, {'0', 0, Machine::kFull, false, 0},
    {'0', 0, Machine::kMinimal, true, 1},  {'0', 0, Machine::kFull, true, 1},
    {'1', 0, Machine::kFull, false, 0},    {'2', 0, Machine::kMinimal, false, 0},
    {'2', 0, Machine::kFull, false, 0},    {'6', 0, Machine::kFull, false, 0},
    {'8', 1, Machine::kFull, false, 0},    {'8', 2, Machine::kFull, false, 0},
    {'8', 3, Machine::kMinimal, false, 0}, {'8', 3, Machine::kFull, false, 0},
    {'8', 4, Machine::kFull, false, 0},    {'8', 5, Machine::kFull, false, 0},
};

std::string LayoutText(const std::string& name, const std::string& type, int width, int decimals) {
  return name + " " + type + " " + std::to_string(width) + "." + std::to_string(decimals);
}

class DocsExportTest : public ExportFixture {
 protected:
  void UseMachine(Machine station, bool shop) {
    UseStation(station == Machine::kFull ? StationVariant::kFull : StationVariant::kMinimal);
    UseOffice();
    if (shop) UseShop();
    const bool full = station == Machine::kFull;
    AnswerKAColumn(full);
    if (full)
      WriteSettings({{"REPORTS", "GSMTbl", "1"},
                     {"REPORTS", "GSMFldLen", std::to_string(kOtherFuelNameWidth)}});
    else
      WriteSettings({});
  }

  // The elements of a report built from its documented parameters: the sub-code, the test
  // data's period for the date-times, shifts 1 to 4, the shop directory for texts.
  std::vector<host_param> Elements(const Report& report, bool optional, std::size_t drop = 0) {
    std::vector<host_param> elements;
    int dates = 0;
    for (const Parameter& p : report.parameters) {
      if (p.optional && !optional) break;
      if (p.type == "date-time") {
        elements.push_back(Date(dates++ == 0 ? DataBegin() : DataEnd()));
      } else if (p.type == "integer") {
        const int value = p.name == "sub-code"                       ? report.sub_code
                          : p.name.find("last") != std::string::npos ? 4
                                                                     : 1;
        elements.push_back(Int(value));
      } else {
        elements.push_back(Text(ShopDirectory()));
      }
    }
    elements.resize(elements.size() - std::min(drop, elements.size()));
    return elements;
  }

  void ExpectFailedBeforeExport(const ReportResult& r, const std::string& prefix);

  std::string LastLogLine() const {
    std::ifstream in(Root() + "/C/MOLT/LogFiles/Reports.log", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    while (all.ends_with("\r\n")) all.resize(all.size() - 2);
    const std::size_t start = all.rfind("\r\n");
    return codepage::Cp1251ToUtf8(start == std::string::npos ? all : all.substr(start + 2));
  }
};

TEST_F(DocsExportTest, EveryFieldTableIsChecked) {
  std::set<std::pair<std::string, std::size_t>> covered;
  for (const LayoutCase& c : kLayoutCases) {
    const MdSection* s = ExportSection(ExportSections(), c.code, c.sub_code);
    ASSERT_NE(s, nullptr) << c.code << "/" << c.sub_code;
    covered.insert({s->heading, c.table});
  }
  std::size_t tables = 0;
  for (const MdSection& s : ExportSections()) {
    const auto field_tables = FieldTables(s);
    for (std::size_t i = 0; i < field_tables.size(); ++i, ++tables)
      EXPECT_TRUE(covered.count({s.heading, i})) << s.heading << ", table " << i;
  }
  EXPECT_EQ(tables, 10u);

  // The index of docs/exports.md names the same nine files as the report table.
  ASSERT_EQ(Reports().size(), 9u);
  const auto index =
      TablesWithHeader(ExportSections().at(0), {"Report", "Sub-code", "Export", "File"});
  ASSERT_EQ(index.size(), 1u);
  ASSERT_EQ(index[0]->rows.size(), Reports().size());
  for (std::size_t i = 0; i < Reports().size(); ++i) {
    const auto& row = index[0]->rows[i];
    const Report& report = Reports()[i];
    EXPECT_EQ(Plain(row[0]), std::string(1, report.code));
    EXPECT_EQ(row[1], report.sub_code ? std::to_string(report.sub_code) : "");
    EXPECT_EQ(Plain(row[3]), report.file);
    // Each export's section starts with its file's name.
    const MdSection* s = ExportSection(ExportSections(), report.code, report.sub_code);
    ASSERT_NE(s, nullptr) << report.file;
    EXPECT_NE(s->text.find("\n`" + report.file + "`: "), std::string::npos) << s->heading;
  }
}

TEST_F(DocsExportTest, FieldTablesAreTheLayoutsWritten) {
  for (const LayoutCase& c : kLayoutCases) {
    const bool full = c.station == Machine::kFull;
    SCOPED_TRACE(std::string("report ") + c.code + "/" + std::to_string(c.sub_code) +
                 (full ? ", full station" : ", minimal station") + ", table " +
                 std::to_string(c.table));
    const MdSection* section = ExportSection(ExportSections(), c.code, c.sub_code);
    ASSERT_NE(section, nullptr);
    const auto tables = FieldTables(*section);
    ASSERT_LT(c.table, tables.size());
    const Report& report = FindReport(c.code, c.sub_code);

    UseMachine(c.station, c.optional_parameters);
    const ReportResult r = Run(c.code, Elements(report, c.optional_parameters));
    ASSERT_TRUE(r.result);
    ASSERT_EQ(codepage::Cp1251ToUtf8(r.text), report.success_text);

    std::vector<std::string> expected;
    for (const FieldRow& f : tables[c.table]) {
      if (!f.when.empty() && !full) continue;
      const bool fuel_name = f.from.find("fuel-name width") != std::string::npos;
      expected.push_back(LayoutText(f.name, f.type,
                                    fuel_name && full ? kOtherFuelNameWidth : f.width, f.decimals));
    }
    std::vector<std::string> written;
    for (const DbfColumn& col : ReadDbf(ExportFile(report.file)).columns)
      written.push_back(LayoutText(col.name, std::string(1, col.type), col.length, col.decimals));
    EXPECT_EQ(written, expected);
  }
}

std::string FailurePrefix(const std::string& text_cell) {
  // "`Ошибка при формировании отчета: ` and the message" -> the text between the backticks.
  const std::size_t open = text_cell.find('`');
  const std::size_t close = text_cell.find('`', open + 1);
  EXPECT_NE(close, std::string::npos) << text_cell;
  return close == std::string::npos ? "" : text_cell.substr(open + 1, close - open - 1);
}

// The rows of the table of results, by the start of their case.
std::map<std::string, std::pair<std::string, std::string>> Results() {
  const auto sections = ReadMarkdown(DocsPath("calling.md"));
  const MdSection* section = FindSection(sections, "Results");
  EXPECT_NE(section, nullptr);
  std::map<std::string, std::pair<std::string, std::string>> rows;
  if (!section) return rows;
  const auto tables = TablesWithHeader(*section, kResultHeader);
  EXPECT_EQ(tables.size(), 1u);
  for (const MdTable* t : tables)
    for (const auto& row : t->rows) rows[row[0].substr(0, row[0].find(" ("))] = {row[1], row[2]};
  return rows;
}

const std::pair<std::string, std::string>& ResultRow(std::string_view start) {
  static const auto rows = Results();
  for (const auto& [name, row] : rows)
    if (name.starts_with(start)) return row;
  ADD_FAILURE() << "no result row starting \"" << start << "\" in docs/calling.md";
  static const std::pair<std::string, std::string> none;
  return none;
}

TEST_F(DocsExportTest, ReportTableParametersTitlesAndTexts) {
  const auto& done_plain = ResultRow("report `0`, `1`, `2` or `6` written");
  const auto& done_eight = ResultRow("report `8` with sub-code 1 to 5 written");
  const auto& failed = ResultRow("the export failed");
  ASSERT_EQ(done_plain, (std::pair<std::string, std::string>{"1", "empty"}));
  ASSERT_EQ(done_eight.first, "1");
  ASSERT_EQ(failed.first, "1");
  const std::string failure = FailurePrefix(failed.second);
  ASSERT_FALSE(failure.empty());

  for (const Report& report : Reports()) {
    SCOPED_TRACE(std::string("report ") + report.code + "/" + std::to_string(report.sub_code));
    UseMachine(Machine::kFull, false);
    const ReportResult ok = Run(report.code, Elements(report, false));
    EXPECT_TRUE(ok.result);
    EXPECT_EQ(codepage::Cp1251ToUtf8(ok.text), report.success_text);
    EXPECT_EQ(report.success_text.empty(), report.code != '8');
    EXPECT_TRUE(platform::FileExists(ExportFile(report.file)));
    EXPECT_NE(LastLogLine().find("[инф] [KVRExportCreator9] Документ \"" + report.title +
                                 "\" подготовлен за "),
              std::string::npos)
        << LastLogLine();

    // One required element fewer: an export failure, logged with the report's number, and the
    // previous file stays.
    const std::size_t required = Elements(report, false).size();
    if (required < 2) continue;
    const ReportResult short_of_one = Run(report.code, Elements(report, false, 1));
    EXPECT_TRUE(short_of_one.result);
    EXPECT_TRUE(codepage::Cp1251ToUtf8(short_of_one.text).starts_with(failure))
        << codepage::Cp1251ToUtf8(short_of_one.text);
    EXPECT_TRUE(platform::FileExists(ExportFile(report.file)));
    EXPECT_NE(LastLogLine().find("[ошиб] [KVRExportCreator9] Ошибка формирования отчета №" +
                                 std::to_string(static_cast<int>(report.code)) + ": "),
              std::string::npos)
        << LastLogLine();
  }
}

// The text starts with the documented prefix, and the log's error line is that very text.
void DocsExportTest::ExpectFailedBeforeExport(const ReportResult& r, const std::string& prefix) {
  const std::string text = codepage::Cp1251ToUtf8(r.text);
  EXPECT_TRUE(text.starts_with(prefix)) << text;
  EXPECT_TRUE(LastLogLine().ends_with("[ошиб] [KVRExportCreator9] " + text)) << LastLogLine();
}

TEST_F(DocsExportTest, ResultsOfTheCasesWithoutAnExport) {
  UseMachine(Machine::kMinimal, false);
  const auto& control = ResultRow("control command 1000");
  const auto& unknown = ResultRow("unknown report code or sub-code");
  const auto& before = ResultRow("failure before the export starts");
  ASSERT_EQ(control, (std::pair<std::string, std::string>{"0", "empty"}));
  ASSERT_EQ(unknown, (std::pair<std::string, std::string>{"0", "empty"}));
  ASSERT_EQ(before.first, "0");
  const std::string failure = FailurePrefix(before.second);
  ASSERT_FALSE(failure.empty());

  struct Case {
    const char* what;
    char code;
    std::vector<host_param> params;
    bool fails;  // true: the "before the export starts" text; false: no text
  };
  const Case cases[] = {
      {"control command", '#', {Int(1000), Int(1)}, false},
      {"unknown report", '5', {Int(1)}, false},
      {"unknown sub-code 0", '8', {Int(0)}, false},
      {"unknown sub-code 6", '8', {Int(6)}, false},
      {"# with another command", '#', {Int(999)}, false},
      {"# with a text element 0", '#', {Text("x")}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ReportResult r = Run(c.code, c.params);
    EXPECT_FALSE(r.result);
    if (c.fails) {
      ExpectFailedBeforeExport(r, failure);
    } else {
      EXPECT_EQ(r.text, "");
    }
  }

  // A station database that cannot be reached fails before any export.
  ControlCommand(false, "/nonexistent/station");
  const ReportResult r = Run('1', {Date(DataBegin()), Date(DataEnd())});
  EXPECT_FALSE(r.result);
  ExpectFailedBeforeExport(r, failure);
}

}  // namespace
}  // namespace kvr::test
