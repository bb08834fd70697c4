// All nine exports written through kvrhost on the demo databases, then each file shown as CSV
// by kvrhost dbf --csv and compared by Python (csv module) with what dbfread reads from the
// DBF file itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "kvrhost_runner.h"
#include "station_root.h"

namespace kvr::test {
namespace {

struct Export {
  std::vector<std::string> report;
  const char* file;
};

// The demo data covers shifts 1 to 6, from 1 to 4 March 2024.
const Export kExports[] = {
    {{"0", "2024-03-01", "2024-03-05", "0", "0", "s:D:\\SHOP\\"}, "SaleLog.dbf"},
    {{"1", "2024-03-01", "2024-03-05"}, "RezLog.dbf"},
    {{"2", "2024-03-01", "2024-03-05"}, "PrxLog.dbf"},
    {{"6", "6", "1"}, "RezEnd.dbf"},
    {{"8", "1", "0", "0", "2024-03-01", "2024-03-05"}, "ExportVidOpl.dbf"},
    {{"8", "2"}, "AllDscCardExport.dbf"},
    {{"8", "3", "1", "6"}, "ExportTRKInfo.dbf"},
    {{"8", "4", "2024-03-01", "2024-03-05"}, "ExportBCheck.dbf"},
    {{"8", "5", "2024-03-01", "2024-03-05"}, "ExportRsxDsc.dbf"},
};

TEST(KvrhostExportFiles, CsvOfEveryExportEqualsWhatDbfreadReads) {
  StationRoot root;
  // The office database is read only with office reports allowed (control command 1000).
  const std::vector<std::string> host = Join(root.HostArgs(), {"--control", "0"});
  for (const Export& e : kExports) {
    SCOPED_TRACE(e.file);
    RunResult run = RunKvrhost(Join(host, Join({"--json"}, e.report)));
    ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
    auto json = ParseJsonObject(run.out);
    const std::string dbf = root.ExportFile(e.file);
    EXPECT_EQ(json["file"], "\"" + dbf + "\"");
    EXPECT_GT(std::stoi(json["records"]), 0) << "the demo data gives every export rows";

    RunResult csv = RunKvrhost({"dbf", "--csv", dbf});
    ASSERT_EQ(csv.exit_code, 0) << csv.err;
    const std::string csv_file = root.path() + "/" + e.file + ".csv";
    std::ofstream(csv_file, std::ios::binary) << csv.out;
    RunOptions utf8;
    utf8.env = {"PYTHONIOENCODING=utf-8"};
    RunResult check = RunProcess({SystemPython(), KVR_CSV_CHECK_SCRIPT, dbf, csv_file}, utf8);
    EXPECT_EQ(check.exit_code, 0) << check.out << check.err;
    EXPECT_EQ(check.out,
              json["records"] + " records of " +
                  std::to_string(
                      std::count(csv.out.begin(), csv.out.begin() + csv.out.find('\r'), ',') + 1) +
                  " fields equal\n");
  }
}

// The comparison itself catches a difference: one changed byte in a text field of the file.
TEST(KvrhostExportFiles, TheComparisonSeesAChangedValue) {
  StationRoot root;
  RunResult run =
      RunKvrhost(Join(root.HostArgs(), {"8", "1", "0", "0", "2024-03-01", "2024-03-05"}));
  ASSERT_EQ(run.exit_code, 0) << run.out << run.err;
  const std::string dbf = root.ExportFile("ExportVidOpl.dbf");
  RunResult csv = RunKvrhost({"dbf", "--csv", dbf});
  ASSERT_EQ(csv.exit_code, 0);
  std::string changed = csv.out;
  const std::size_t second_line = changed.find("\r\n") + 2;
  const std::size_t comma = changed.find(',', second_line);
  changed.insert(comma, "x");
  const std::string csv_file = root.path() + "/changed.csv";
  std::ofstream(csv_file, std::ios::binary) << changed;
  RunResult check = RunProcess({SystemPython(), KVR_CSV_CHECK_SCRIPT, dbf, csv_file});
  EXPECT_EQ(check.exit_code, 1) << check.out;
  EXPECT_NE(check.err.find("record 1"), std::string::npos) << check.err;
}

}  // namespace
}  // namespace kvr::test
