// The nine exports as the benchmark runs them: the report parameters kvrhost passes, the file
// each writes, and the SELECT texts (with their parameters) the export sends, built by the
// same functions and with the same switches the export uses on the benchmark's databases.
#pragma once

#include <string>
#include <vector>

#include "common/date_time.h"

namespace kvr::bench {

enum class Database { kStation, kOffice, kShop };

struct QueryParam {
  std::string name;
  bool date_time = false;
  TDateTime date_value = 0;
  int int_value = 0;
};

struct ExportQuery {
  Database database = Database::kStation;
  std::string sql;
  std::vector<QueryParam> params;
};

struct ExportCase {
  std::string name;                  // "sale log"
  std::string file;                  // "SaleLog.dbf"
  std::vector<std::string> report;   // kvrhost's report arguments: "0 2023-01-01 ..."
  std::vector<ExportQuery> queries;  // none for the payment types (the host's catalogue)
  // The exports that show each row's shift: their queries as they were sent with the shift
  // log joined by time range (`queries` are those the library sends: without the join).
  std::vector<ExportQuery> join_queries = {};
};

// What the exports are asked for: every sale, shift and document of the generated data.
struct BenchPeriod {
  int year_from = 2023;
  int year_to = 2031;  // 1 January, exclusive
  int last_shift = 0;
  int fuel_name_width = 20;  // GSMFldLen of the benchmark's cnf.ini
};

std::vector<ExportCase> ExportCases(const BenchPeriod& period);

// The SQL text with its parameters written as literals, for isql-fb.
std::string SqlWithLiterals(const ExportQuery& query);

}  // namespace kvr::bench
