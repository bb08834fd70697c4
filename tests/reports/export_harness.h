// End-to-end harness of the export tests: the built libKVRExportCreator9.so loaded with dlopen
// as the host loads it, a root directory standing for the machine's drives (KVR_ROOT), the
// settings file, the station / office / shop databases where the exports look for them, the
// card file, a scripted host, and one call of GetReportsInStringEx per report.
//
// Layout under the root (see platform/paths.h):
//   C/WINDOWS/cnf.ini               the settings file
//   C/MOLT/EXPORT/                  the export files
//   C/MOLT/OfficeDB/OFFICE.FDB      the office database
//   C/MOLT/BeznalCardINN.DBF        the card file of the sale log
//   D/SHOP/SHOP.FDB                 the shop database of the directory "D:\SHOP\"
//   station-<n>/GARVEN.FDB          the station database; its directory is the host's answer
//                                   to query 5
//
// The library keeps process-wide state between calls, so every test starts from a fresh
// ExportFixture, which resets the host's answers and the options of control command 1000.
// The root is one directory per test process (the library's log stays in it), emptied of
// everything but the logs for each test.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/date_time.h"
#include "dbf_reader.h"
#include "host_params.h"
#include "support/firebird_fixture.h"

namespace kvr::test {

// Windows-1251 text of a UTF-8 literal (expectations are written in UTF-8).
std::string W(std::string_view utf8);

// The answer text of a report call.
struct ReportResult {
  bool result = false;
  std::string text;  // Windows-1251
};

// Host parameter elements.
host_param Int(std::int64_t value);
host_param Text(const char* utf8);
host_param Date(TDateTime value);
TDateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
             int msec = 0);

// A copy of a database built once per build tree from the SQL scripts (kept under
// <build>/test-databases, rebuilt when a script changes), so that tests that change their
// database do not pay for building it.
enum class TemplateDatabase { kStationFull, kStationMinimal, kOffice, kShop };
void CopyTemplateDatabase(TemplateDatabase which, const std::string& target_path);

// The directory standing for the machine's drives: one per test process, removed at its end.
const std::string& ExportFixtureRoot();

// One cnf.ini entry.
struct Setting {
  std::string section, key, value;  // value in UTF-8
};

class ExportFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // --- the machine
  static const std::string& Root();
  std::string ExportFile(std::string_view name) const;  // <root>/C/MOLT/EXPORT/<name>
  std::string OfficeDatabase() const;
  std::string CardFile() const;
  std::string ShopDatabase() const;  // of the shop directory ShopDirectory()
  static constexpr const char* ShopDirectory() { return "D:\\SHOP\\"; }

  // --- databases: a fresh station database of this test, answered to query 5.
  const std::string& UseStation(StationVariant variant);
  const std::string& Station() const { return station_; }
  void UseOffice();
  void UseShop();
  // Runs UTF-8 SQL on a database of this test (isql-fb).
  static void Sql(const std::string& database, std::string_view utf8_sql);

  // --- settings and host
  void WriteSettings(const std::vector<Setting>& settings);
  // Card file rows: CARD, INN, CNAME (UTF-8), and optionally "deleted" to store the record
  // marked as deleted.
  void WriteCardFile(const std::vector<std::vector<std::string>>& rows);
  // Control command 1000: office reports allowed (element 1 = 0), database directory,
  // station name, sale log mode.
  void ControlCommand(bool office_allowed, const std::string& database_dir = "",
                      const std::string& station_name = "", int sale_log_mode = 0);
  void AnswerOfficeMode(bool on);                   // query 8
  void AnswerKAColumn(bool on);                     // query 17
  void AnswerStationName(const std::string& utf8);  // query 13

  // --- the calls, as the host makes them (also from several threads at once)
  static void InitReports();  // with the scripted host's callback
  static ReportResult Run(char code, const std::vector<host_param>& params);
  // Runs and expects success: true and the text given (the file name for "8" reports).
  void RunOk(char code, const std::vector<host_param>& params, std::string_view text = "");

 private:
  std::string station_;
  static int station_counter_;
};

// The sale and shift period of the test data: 1 March 2024 00:00 to 4 March 2024 23:59:59.999.
TDateTime DataBegin();
TDateTime DataEnd();

// The two text forms of a date-time in a DBF text field, made here independently.
std::string USText(TDateTime value);   // "03/01/2024 08:12:05 AM"
std::string DotText(TDateTime value);  // "01.03.2024 08:12:05"

// Compares the export file with the rows of `sql` on `database` (embedded engine): the same
// number of rows in the same order, and for each pair (file column, query column index) the
// value: N fields numerically (to their decimals), C fields as text (a query date-time in the US
// form when `us_dates`, else the dotted form; a longer text cut to the field), D fields as
// yyyymmdd, L fields as T/F; a null value is an empty field.
void ExpectMatchesQuery(const DbfContent& dbf, const std::string& database,
                        const std::string& utf8_sql, const std::vector<std::string>& file_columns,
                        bool us_dates = true);

}  // namespace kvr::test
