// The SQL texts the exports send, assembled exactly as the station's accounting side expects
// them. Each builder takes the switches that change the text; nothing here touches a database.
#pragma once

#include <string>
#include <string_view>

#include "common/date_time.h"

namespace kvr::reports {

// The exports that show each row's shift (sale log without shop rows, tank events, cash
// receipts) take `shift_column`: empty, the query joins "SMLog sm" by time range and selects
// "sm.SmNum"; otherwise the query has no join and selects this text in its place (a typed
// null, "CAST(NULL AS INTEGER) AS SMNUM", that the library fills).

// Sale log (report "0"): which optional pieces the fuel query carries.
struct SaleLogSqlSwitches {
  bool shop_rows = false;  // goods rows follow: no shift column, ORDER BY 1
  bool counterparty_mode1 = false;
  bool has_silonum = false;
  bool has_id2cnt = false;
  bool has_trknum = false;
  bool has_trkdensity = false;
  bool has_nkkm = false;
  bool has_kkmnum = false;
  bool ka_column = false;
  bool contragent_catalogue = false;
  bool export_tide_zero = false;
  std::string shift_column;  // without shop rows only
};

std::string SaleLogFuelSql(const SaleLogSqlSwitches& s);
std::string SaleLogGoodsSql();
extern const char* const kContragentCatalogSql;
extern const char* const kLogTranProbeSql;
extern const char* const kBCheckProbeSql;

// Tank remains (report "6").
std::string TankRemainsSql(int fuel_name_width, bool office_mode);

// Dispenser information (report "8"/3).
extern const char* const kSmTrkProbeSql;
std::string DispenserInfoSql(int fuel_name_width, bool office_mode, bool has_trk2beg);

// Tank event log (report "1").
std::string TankEventsSql(std::string_view shift_column = {});

// Fuel receipts (report "2").
extern const char* const kPrxProbeSql;
std::string FuelReceiptsSql(int fuel_name_width, bool supplier_data, bool drain_point);

// Cash receipts (report "8"/4).
std::string CashReceiptsSql(int fuel_name_width, std::string_view shift_column = {});

// Sale discounts (report "8"/5): the bounds are written into the text as quoted literals.
std::string SaleDiscountsSql(TDateTime begin, TDateTime end);
// "yyyy-mm-dd hh:nn:ss.zzz" (with milliseconds) or without the ".zzz" part.
std::string FormatSqlDateTime(bool with_milliseconds, TDateTime value);
// Encloses a text in single quotes, doubling embedded ones.
std::string QuotedSqlString(const std::string& text);

// Discount card list (report "8"/2), on the office database.
extern const char* const kDiscountCardsSql;

}  // namespace kvr::reports
