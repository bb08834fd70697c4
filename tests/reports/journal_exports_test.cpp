// Reports by date range and the discount card list: "1" (tank events, "RezLog.dbf"), "2" (fuel
// receipts, "PrxLog.dbf"), "8"/2 (discount cards, "AllDscCardExport.dbf"), "8"/4 (cash
// receipts, "ExportBCheck.dbf") and "8"/5 (sale discounts, "ExportRsxDsc.dbf"), through the
// library's entry point on real databases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

std::string U(const std::string& cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

const std::string kReportError = "Ошибка при формировании отчета: ";

using JournalExportsTest = ExportFixture;

// ---- "1": tank events

TEST_F(JournalExportsTest, TankEventsInNameThenTimeOrderWithTheirShift) {
  UseStation(StationVariant::kMinimal);
  RunOk('1', {Date(DataBegin()), Date(DataEnd())});
  const DbfContent dbf = ReadDbf(ExportFile("RezLog.dbf"));
  EXPECT_EQ(Layout(dbf), (std::vector<std::string>{"SMNUM N 11", "NAME C 15", "DATA C 30",
                                                   "SILONUM N 11", "GSMNAME C 30", "EVENTCODE N 11",
                                                   "EVENTNAME C 60", "LEVEL N 20.4", "LITER N 20.4",
                                                   "TEMPER N 20.4", "PLOTN N 20.4"}));
  ExpectMatchesQuery(dbf, Station(),
                     "SELECT (SELECT s.SMNUM FROM SMLOG s WHERE L.DATA BETWEEN s.BEGTIME AND "
                     "s.ENDTIME), L.* FROM LSILO L ORDER BY L.NAME, L.DATA",
                     {"SMNUM", "NAME", "DATA", "SILONUM", "GSMNAME", "EVENTCODE", "EVENTNAME",
                      "LEVEL", "LITER", "TEMPER", "PLOTN"});
  ASSERT_EQ(dbf.rows.size(), 19u);
  // The reading at 06:00 on 1 March lies before the first shift.
  EXPECT_EQ(dbf.At(0, "DATA"), "03/01/2024 06:00:00 AM");
  EXPECT_EQ(dbf.At(0, "SMNUM"), "");
  EXPECT_EQ(dbf.At(1, "SMNUM"), "1");
  // Names are cut to 15 characters.
  EXPECT_EQ(U(dbf.At(18, "NAME")), "Резервуар 4 (ре");
}

TEST_F(JournalExportsTest, TankEventInTwoOverlappingShiftsIsExportedTwice) {
  UseStation(StationVariant::kMinimal);
  // Shift 7 overlaps shift 2 from 02:00 to 04:00 on 2 March: two events fall in both.
  Sql(Station(),
      "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME, OPERATOR) VALUES "
      "(7, '2024-03-02 02:00:00', '2024-03-02 04:00:00', 'Подмена');"
      "COMMIT;");
  RunOk('1', {Date(At(2024, 3, 2)), Date(At(2024, 3, 2, 5))});
  const DbfContent dbf = ReadDbf(ExportFile("RezLog.dbf"));
  std::vector<std::string> rows;
  for (std::size_t i = 0; i < dbf.rows.size(); ++i)
    rows.push_back(U(dbf.At(i, "NAME")) + " " + dbf.At(i, "DATA") + " " + dbf.At(i, "SMNUM"));
  // Two records of one event (same name and time) may come in either shift order.
  ASSERT_EQ(rows.size(), 5u);
  std::sort(rows.begin(), rows.begin() + 2);
  std::sort(rows.begin() + 3, rows.begin() + 5);
  EXPECT_EQ(rows, (std::vector<std::string>{
                      "Резервуар 1 03/02/2024 03:37:00 AM 2",
                      "Резервуар 1 03/02/2024 03:37:00 AM 7",
                      "Резервуар 3 03/02/2024 12:23:00 AM 2",
                      "Резервуар 4 (ре 03/02/2024 02:00:00 AM 2",
                      "Резервуар 4 (ре 03/02/2024 02:00:00 AM 7",
                  }));
}

// ---- "2": fuel receipts

std::vector<std::string> ReceiptLayout(bool supplier, bool drain) {
  std::vector<std::string> layout = {
      "SMNUM N 11",       "OPNUM N 11",      "BEGTIME C 30",   "ENDTIME C 30",
      "NNUM C 50",        "GSMNAME C 20",    "SILONUM N 11",   "VOLUMETTN N 20.4",
      "MASSTTN N 20.4",   "DENTTN N 20.4",   "TEMPTTN N 20.4", "VOLUMEFACT N 20.4",
      "DENFACT N 20.4",   "TEMPFACT N 20.4", "CARNAME C 30",   "PRIHOD N 11",
      "VOLUMECAR N 20.4", "MASSFACT N 20.4", "MASSCAR N 20.4", "DENCAR N 20.4"};
  if (supplier)
    layout.insert(layout.end(), {"TTNDATA D 8", "TTNNUM C 20", "SUPPLIER C 50", "INN C 20"});
  if (drain) layout.push_back("NAMESLIV C 30");
  return layout;
}

TEST_F(JournalExportsTest, FuelReceiptLayoutsFollowTheOptionalColumns) {
  struct Case {
    const char* name;
    StationVariant variant;
    const char* change_sql;
    bool supplier, drain;
  };
  const Case cases[] = {
      {"20 fields", StationVariant::kMinimal, nullptr, false, false},
      {"21 fields", StationVariant::kMinimal,
       "ALTER TABLE PRX ADD NAMESLIV VARCHAR(30); COMMIT; "
       "UPDATE PRX SET NAMESLIV = 'Площадка №3' WHERE OPNUM = 4; COMMIT;",
       false, true},
      {"24 fields", StationVariant::kFull, "ALTER TABLE PRX DROP NAMESLIV; COMMIT;", true, false},
      {"25 fields", StationVariant::kFull, nullptr, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseStation(c.variant);
    if (c.change_sql) Sql(Station(), c.change_sql);
    RunOk('2', {Date(DataBegin()), Date(DataEnd())});
    const DbfContent dbf = ReadDbf(ExportFile("PrxLog.dbf"));
    EXPECT_EQ(Layout(dbf), ReceiptLayout(c.supplier, c.drain));
    if (!c.supplier) {
      ExpectMatchesQuery(
          dbf, Station(),
          "SELECT p.SMNUM, p.OPNUM, p.BEGTIME, p.ENDTIME, p.PRIM, p.GSMNAME, s.SILONUM + 1, "
          "p.CARVOLTTN, p.CARVOLTTN * p.UDVES, p.UDVES, p.TEMPER, p.FACT1, p.FACTPLOTN, "
          "p.CARTEMPERFACT, p.CARNAME, p.PRIHOD, p.CARVOLFACT, p.FACT1 * p.FACTPLOTN, "
          "p.CARVOLFACT * p.CARUDVESFACT, p.CARUDVESFACT FROM PRX p LEFT JOIN SMSILO s ON "
          "s.SMNUM = p.SMNUM AND s.SILONAME = p.SILONAME ORDER BY p.SMNUM, p.OPNUM",
          {"SMNUM",     "OPNUM",   "BEGTIME",   "ENDTIME",  "NNUM",       "GSMNAME", "SILONUM",
           "VOLUMETTN", "MASSTTN", "DENTTN",    "TEMPTTN",  "VOLUMEFACT", "DENFACT", "TEMPFACT",
           "CARNAME",   "PRIHOD",  "VOLUMECAR", "MASSFACT", "MASSCAR",    "DENCAR"});
    }
    if (c.drain) {
      const std::size_t row = c.supplier ? 4 : 3;  // receipt 4 (after receipt 2's two tanks)
      EXPECT_EQ(dbf.At(row, "OPNUM"), "4");
      EXPECT_EQ(U(dbf.At(row, "NAMESLIV")), c.supplier ? "Площадка слива №1" : "Площадка №3");
    }
  }
}

TEST_F(JournalExportsTest, FuelReceiptsWithSupplierDataPreferThePerTankRecords) {
  UseStation(StationVariant::kFull);
  for (bool receipts_only : {false, true}) {
    SCOPED_TRACE(receipts_only);
    WriteSettings({{"REPORTS", "PrihodOnly", receipts_only ? "1" : "0"}});
    RunOk('2', {Date(DataBegin()), Date(DataEnd())});
    const DbfContent dbf = ReadDbf(ExportFile("PrxLog.dbf"));
    std::vector<std::string> operations = dbf.Values("OPNUM");
    EXPECT_EQ(operations, receipts_only ? (std::vector<std::string>{"1", "2", "2", "4", "5"})
                                        : (std::vector<std::string>{"1", "2", "2", "3", "4", "5"}));
    // Receipt 1: no per-tank record; the shift's tank 0 counts from 1.
    EXPECT_EQ(dbf.At(0, "SILONUM"), "1");
    EXPECT_EQ(dbf.At(0, "VOLUMEFACT"), "8950.5000");
    EXPECT_EQ(dbf.At(0, "BEGTIME"), "03/01/2024 10:00:00 AM");
    EXPECT_EQ(dbf.At(0, "TTNDATA"), "20240301");
    EXPECT_EQ(dbf.At(0, "TTNNUM"), "4411");
    EXPECT_EQ(U(dbf.At(0, "SUPPLIER")), "ООО \"Нефтепродукт-Снаб\"");
    EXPECT_EQ(dbf.At(0, "INN"), "7728000111");
    EXPECT_EQ(dbf.At(0, "MASSTTN"), "6714.0000");
    // Receipt 2 went into two tanks: their times, tank, volume and density win.
    std::vector<std::string> tanks;
    for (std::size_t row : {1u, 2u})
      tanks.push_back(dbf.At(row, "SILONUM") + " " + dbf.At(row, "BEGTIME") + " " +
                      dbf.At(row, "ENDTIME") + " " + dbf.At(row, "VOLUMEFACT") + " " +
                      dbf.At(row, "DENFACT") + " " + dbf.At(row, "MASSFACT") + " " +
                      dbf.At(row, "VOLUMETTN"));
    std::sort(tanks.begin(), tanks.end());
    EXPECT_EQ(tanks, (std::vector<std::string>{
                         "2 03/02/2024 10:30:00 AM 03/02/2024 11:00:00 AM 6000.0000 0.7506 "
                         "4503.6000 12000.0000",
                         "4 03/02/2024 11:05:00 AM 03/02/2024 11:25:00 AM 5920.0000 0.7504 "
                         "4442.3680 12000.0000"}));
  }
}

// ---- "8"/2: discount cards from the office database

TEST_F(JournalExportsTest, DiscountCardsCopyTheOfficeTableWithDottedDates) {
  UseStation(StationVariant::kMinimal);
  UseOffice();
  RunOk('8', {Int(2)}, "AllDscCardExport.dbf");  // UseDBETime is on by default
  const DbfContent dbf = ReadDbf(ExportFile("AllDscCardExport.dbf"));
  EXPECT_EQ(Layout(dbf), (std::vector<std::string>{"CARDNUM C 50", "KVRNAME C 30", "GSM C 20",
                                                   "DISCOUNT N 20.4", "CARDLIMIT N 20.4",
                                                   "ISSUED D 8", "LASTUSE C 30", "BLOCKED N 11"}));
  ExpectMatchesQuery(
      dbf, OfficeDatabase(), "SELECT * FROM DSCCARDS",
      {"CARDNUM", "KVRNAME", "GSM", "DISCOUNT", "CARDLIMIT", "ISSUED", "LASTUSE", "BLOCKED"},
      /*us_dates=*/false);
  ASSERT_EQ(dbf.rows.size(), 4u);
  EXPECT_EQ(dbf.At(0, "LASTUSE"), "01.03.2024 09:40:17");
  EXPECT_EQ(U(dbf.At(1, "KVRNAME")), "ООО \"Транспортная компания Сев");
  EXPECT_EQ(dbf.At(3, "ISSUED"), "20200229");
}

TEST_F(JournalExportsTest, DiscountCardsEmptyOrWithoutANamedColumn) {
  UseStation(StationVariant::kMinimal);
  UseOffice();
  Sql(OfficeDatabase(), "DELETE FROM DSCCARDS; COMMIT;");
  RunOk('8', {Int(2)}, "AllDscCardExport.dbf");
  const DbfContent empty = ReadDbf(ExportFile("AllDscCardExport.dbf"));
  EXPECT_EQ(empty.columns.size(), 8u);
  EXPECT_TRUE(empty.rows.empty());

  Sql(OfficeDatabase(), "ALTER TABLE DSCCARDS DROP KVRNAME; COMMIT;");
  const ReportResult r = Run('8', {Int(2)});
  EXPECT_TRUE(r.result);
  EXPECT_EQ(U(r.text), kReportError +
                           "ЭкспортОперацийПоДисконтнымКартам -> Field 'KVRName' not found "
                           "<# EDatabaseError #>");
  EXPECT_FALSE(platform::FileExists(ExportFile("AllDscCardExport.dbf")));
}

// ---- "8"/4: cash receipts

TEST_F(JournalExportsTest, CashReceiptsInTimeOrderWithTheirShift) {
  UseStation(StationVariant::kFull);
  // The map of the station "АЗС №1" (the host's answer to query 13), its name in hexadecimal.
  WriteSettings(
      {{"REPORTS", "GSMTbl", "1"}, {"REPORTS", "GSMNames2C0C7D120B931", "ДТ Евро=Дизель"}});
  const TDateTime begin = At(2024, 2, 29);
  RunOk('8', {Int(4), Date(begin), Date(DataEnd())}, "ExportBCheck.dbf");
  const DbfContent dbf = ReadDbf(ExportFile("ExportBCheck.dbf"));
  EXPECT_EQ(Layout(dbf),
            (std::vector<std::string>{"SMNUM N 11", "DATA C 30", "GSMNAME C 20", "LITER N 20.4",
                                      "GSMPRICE N 20.4", "SUMMA N 20.4", "VIDOPL N 11", "NKKM N 11",
                                      "INDEXSALE N 11"}));
  ExpectMatchesQuery(
      dbf, Station(),
      "SELECT (SELECT s.SMNUM FROM SMLOG s WHERE b.DATA BETWEEN s.BEGTIME AND "
      "s.ENDTIME), b.DATA, IIF(b.GSM = 'ДТ Евро', 'Дизель', b.GSM), b.KOLVO, "
      "b.PRICE, b.SUMMA, b.VIDOPL, b.CLIENT, b.INDEXSALE FROM BCHECK b "
      "ORDER BY b.DATA",
      {"SMNUM", "DATA", "GSMNAME", "LITER", "GSMPRICE", "SUMMA", "VIDOPL", "NKKM", "INDEXSALE"});
  ASSERT_EQ(dbf.rows.size(), 23u);
  // The receipt of 29 February and the one of 07:30 on 1 March lie outside every shift.
  EXPECT_EQ(dbf.At(0, "DATA"), "02/29/2024 09:00:00 PM");
  EXPECT_EQ(dbf.At(0, "SMNUM"), "");
  EXPECT_EQ(dbf.At(1, "SMNUM"), "");
  EXPECT_EQ(dbf.At(2, "SMNUM"), "1");
  EXPECT_EQ(U(dbf.At(8, "GSMNAME")), "Дизель");  // receipt 8
}

// ---- "8"/5: sale discounts

TEST_F(JournalExportsTest, SaleDiscountsOneRecordPerDiscountWithInclusiveBounds) {
  UseStation(StationVariant::kMinimal);
  struct Case {
    TDateTime end;
    std::vector<std::string> rows;  // sorted: the server's order is not fixed
  };
  const TDateTime sale_1002 = At(2024, 3, 1, 9, 40, 17, 250);
  const std::vector<std::string> three = {"1002 Акция выходного дня 2 Суббота 0.5000 2",
                                          "1002 Бонусы 3 Списание баллов 15.0000 1",
                                          "1002 Скидка по карте 1 7001000012345678 40.0000 1"};
  std::vector<std::string> four = three;
  four.push_back("1003 Договорная скидка 1 Договор №17/2024 72.1000 1");
  const Case cases[] = {
      {DataEnd(), four},
      {sale_1002, three},  // stamped exactly at the end bound
      {sale_1002 - 1.0 / 86'400'000, {}},
  };
  for (const Case& c : cases) {
    RunOk('8', {Int(5), Date(DataBegin()), Date(c.end)}, "ExportRsxDsc.dbf");
    const DbfContent dbf = ReadDbf(ExportFile("ExportRsxDsc.dbf"));
    EXPECT_EQ(Layout(dbf),
              (std::vector<std::string>{"INDEXSALE N 11", "DSCNAME C 20", "DSCTYPE N 11",
                                        "DSCPARAM C 25", "DSCVAL N 20.4", "DSCVALTYPE N 11"}));
    std::vector<std::string> rows;
    for (const auto& row : dbf.rows) {
      std::string text;
      for (const std::string& value : row) text += (text.empty() ? "" : " ") + U(value);
      rows.push_back(text);
    }
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, c.rows);
  }
}

}  // namespace
}  // namespace kvr::test
