#include "export_cases.h"

#include "reports/export_sql.h"

namespace kvr::bench {
namespace {

using reports::FormatSqlDateTime;
using reports::QuotedSqlString;

QueryParam DateParam(const char* name, TDateTime value) { return {name, true, value, 0}; }
QueryParam IntParam(const char* name, int value) { return {name, false, 0, value}; }

std::string Day(int year) { return std::to_string(year) + "-01-01"; }

// What the library sends in place of "sm.SmNum" on the benchmark's station (SMNUM INTEGER).
constexpr const char* kShiftColumn = "CAST(NULL AS INTEGER) AS \"SMNUM\"";

}  // namespace

std::vector<ExportCase> ExportCases(const BenchPeriod& p) {
  const TDateTime begin = EncodeDate(p.year_from, 1, 1);
  const TDateTime end = EncodeDate(p.year_to, 1, 1);
  const std::string from = Day(p.year_from), to = Day(p.year_to);
  const std::string last = std::to_string(p.last_shift);
  const std::vector<QueryParam> period = {DateParam("BegData", begin), DateParam("EndData", end)};
  const int width = p.fuel_name_width;

  // The benchmark's station has every optional column and no counterparty catalogue; the host
  // answers no KA column, sale log mode 0 and no office mode; cnf.ini exports no zero liters.
  reports::SaleLogSqlSwitches sale_log;
  sale_log.shop_rows = true;
  sale_log.has_silonum = sale_log.has_id2cnt = sale_log.has_trknum = true;
  sale_log.has_trkdensity = sale_log.has_nkkm = sale_log.has_kkmnum = true;

  reports::SaleLogSqlSwitches fuel_only = sale_log;
  fuel_only.shop_rows = false;
  reports::SaleLogSqlSwitches fuel_only_library = fuel_only;
  fuel_only_library.shift_column = kShiftColumn;

  std::vector<ExportCase> cases;
  cases.push_back({"sale log",
                   "SaleLog.dbf",
                   {"0", from, to, "0", "0"},
                   {{Database::kStation, reports::SaleLogFuelSql(fuel_only_library), period}},
                   {{Database::kStation, reports::SaleLogFuelSql(fuel_only), period}}});
  cases.push_back({"sale log + shop",
                   "SaleLog.dbf",
                   {"0", from, to, "0", "0", "s:D:\\SHOP\\"},
                   {{Database::kStation, reports::SaleLogFuelSql(sale_log), period},
                    {Database::kShop, reports::SaleLogGoodsSql(), period}}});
  cases.push_back({"tank events",
                   "RezLog.dbf",
                   {"1", from, to},
                   {{Database::kStation, reports::TankEventsSql(kShiftColumn), period}},
                   {{Database::kStation, reports::TankEventsSql(), period}}});
  std::vector<QueryParam> receipts = period;
  receipts.push_back(IntParam("P1", 1));
  receipts.push_back(IntParam("P2", 0));
  cases.push_back({"fuel receipts",
                   "PrxLog.dbf",
                   {"2", from, to},
                   {{Database::kStation, reports::FuelReceiptsSql(width, true, true), receipts}}});
  cases.push_back({"tank remains",
                   "RezEnd.dbf",
                   {"6", last, "1"},
                   {{Database::kStation,
                     reports::TankRemainsSql(width, false),
                     {IntParam("pSmenaBeg", 1), IntParam("pSmenaEnd", p.last_shift)}}}});
  cases.push_back({"payment types", "ExportVidOpl.dbf", {"8", "1", "0", "0", from, to}, {}});
  cases.push_back({"discount cards",
                   "AllDscCardExport.dbf",
                   {"8", "2"},
                   {{Database::kOffice, reports::kDiscountCardsSql, {}}}});
  cases.push_back({"dispenser info",
                   "ExportTRKInfo.dbf",
                   {"8", "3", "1", last},
                   {{Database::kStation,
                     reports::DispenserInfoSql(width, false, true),
                     {IntParam("BegSm", 1), IntParam("EndSm", p.last_shift)}}}});
  cases.push_back({"cash receipts",
                   "ExportBCheck.dbf",
                   {"8", "4", from, to},
                   {{Database::kStation, reports::CashReceiptsSql(width, kShiftColumn), period}},
                   {{Database::kStation, reports::CashReceiptsSql(width), period}}});
  cases.push_back({"sale discounts",
                   "ExportRsxDsc.dbf",
                   {"8", "5", from, to},
                   {{Database::kStation, reports::SaleDiscountsSql(begin, end), {}}}});
  return cases;
}

std::string SqlWithLiterals(const ExportQuery& query) {
  std::string sql = query.sql;
  for (const QueryParam& param : query.params) {
    const std::string literal = param.date_time
                                    ? QuotedSqlString(FormatSqlDateTime(true, param.date_value))
                                    : std::to_string(param.int_value);
    const std::string placeholder = ":" + param.name;
    for (std::size_t at = sql.find(placeholder); at != std::string::npos;
         at = sql.find(placeholder, at + literal.size()))
      sql.replace(at, placeholder.size(), literal);
  }
  return sql;
}

}  // namespace kvr::bench
