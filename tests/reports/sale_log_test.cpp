// Report "0": the sale log, through the library's entry point on real station, shop and card
// data, read back from "SaleLog.dbf".
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

using Layout_ = std::vector<std::string>;

// The fixed part of the layout without shop rows, before and after the optional fields.
const Layout_ kFuelHead = {
    "SMNUM N 11",       "DATA C 30",     "POKUPATEL C 100", "VIDOPL N 11",      "GSMNAME C 20",
    "KODGSM N 11",      "LITER N 20.4",  "GSMPRICE N 20.4", "BASEPRICE N 20.4", "SUMMA N 20.4",
    "BASESUMMA N 20.4", "PLOTN N 20.4",  "INN C 30",        "CNT C 50",         "DRIVER C 40",
    "PLISTNUM C 15",    "INDEXSALE N 11"};
const Layout_ kIds = {"IDCNT C 8", "IDCAR C 8", "IDDRV C 8"};

Layout_ Concat(std::initializer_list<Layout_> parts) {
  Layout_ all;
  for (const Layout_& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

std::vector<host_param> Period(const char* shop_directory = nullptr) {
  std::vector<host_param> p = {Date(DataBegin()), Date(DataEnd()), Int(0), Int(0)};
  if (shop_directory) p.push_back(Text(shop_directory));
  return p;
}

std::size_t RowOfSale(const DbfContent& dbf, int index_sale) {
  const std::vector<std::string> sales = dbf.Values("INDEXSALE");
  for (std::size_t i = 0; i < sales.size(); ++i)
    if (sales[i] == std::to_string(index_sale)) return i;
  ADD_FAILURE() << "no sale " << index_sale;
  return 0;
}

std::string U(const std::string& cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

class SaleLogTest : public ExportFixture {
 protected:
  DbfContent Export(const char* shop_directory = nullptr) {
    RunOk('0', Period(shop_directory));
    return ReadDbf(ExportFile("SaleLog.dbf"));
  }
};

TEST_F(SaleLogTest, LayoutFollowsTheDatabaseAndTheSwitches) {
  struct Case {
    const char* name;
    StationVariant variant;
    const char* change_sql;  // run on the station copy first
    bool ka_column;
    const char* shop_directory;
    Layout_ layout;
  };
  const Layout_ full_tail = {"SILONUM N 11", "TRKNUM N 11", "NKKM N 11", "GPINN C 30",
                             "GPNAME C 50"};
  const Case cases[] = {
      {"minimal LOGTRAN and BCHECK", StationVariant::kMinimal, nullptr, false, nullptr,
       Concat({kFuelHead, kIds})},
      {"an empty shop directory", StationVariant::kMinimal, nullptr, false, "",
       Concat({kFuelHead, kIds})},
      {"full", StationVariant::kFull, nullptr, false, nullptr,
       Concat({kFuelHead, full_tail, kIds, {"TRKDENS N 20.4", "KKMNUM N 11"}})},
      {"receipts without KKM", StationVariant::kFull, "ALTER TABLE BCHECK DROP KKM;", false,
       nullptr, Concat({kFuelHead, full_tail, kIds, {"TRKDENS N 20.4"}})},
      {"receipts without CLIENT", StationVariant::kFull, "ALTER TABLE BCHECK DROP CLIENT;", false,
       nullptr,
       Concat({kFuelHead,
               {"SILONUM N 11", "TRKNUM N 11", "GPINN C 30", "GPNAME C 50"},
               kIds,
               {"TRKDENS N 20.4"}})},
      {"KA column", StationVariant::kFull, nullptr, true, nullptr,
       Concat({kFuelHead, full_tail, {"KA L 1"}, kIds, {"TRKDENS N 20.4", "KKMNUM N 11"}})},
      {"shop rows",
       StationVariant::kFull,
       nullptr,
       true,
       ShopDirectory(),
       {"DATA C 30",        "ISTOVAR N 11",    "TOVVOZVRAT N 11",  "TOVKOMISS N 11",
        "TOVARCODE C 15",   "TOVARNAME C 50",  "POKUPATEL C 100",  "VIDOPL N 11",
        "GSMNAME C 20",     "KODGSM N 11",     "LITER N 20.4",     "TOVKOLVO N 20.4",
        "TOVZPRICE N 20.4", "TOVZSUM N 20.4",  "TOVPPRICE N 20.4", "TOVPSUM N 20.4",
        "TOVSKIDKA N 20.4", "GSMPRICE N 20.4", "BASEPRICE N 20.4", "SUMMA N 20.4",
        "BASESUMMA N 20.4", "PLOTN N 20.4",    "INN C 30",         "CNT C 50",
        "DRIVER C 40",      "PLISTNUM C 15",   "INDEXSALE N 11",   "SILONUM N 11",
        "TRKNUM N 11",      "KA L 1",          "IDCNT C 8",        "IDCAR C 8",
        "IDDRV C 8",        "TRKDENS N 20.4"}},
  };
  UseShop();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseStation(c.variant);
    if (c.change_sql) Sql(Station(), c.change_sql);
    AnswerKAColumn(c.ka_column);
    const DbfContent dbf = Export(c.shop_directory);
    EXPECT_EQ(Layout(dbf), c.layout);
    EXPECT_EQ(dbf.rows.size(), c.shop_directory && *c.shop_directory ? 33u : 29u);
  }
}

TEST_F(SaleLogTest, FuelRowsMatchTheSaleLogTable) {
  UseStation(StationVariant::kFull);
  const DbfContent dbf = Export();
  // Without zero sales (1006 returned 5 l, 1007 sold nothing), in time order; shifts do not
  // overlap in this data, so the one containing the sale is unique.
  ExpectMatchesQuery(
      dbf, Station(),
      "SELECT (SELECT s.SMNUM FROM SMLOG s WHERE lt.DATA BETWEEN s.BEGTIME AND s.ENDTIME), "
      "lt.DATA, lt.POKUPATEL, lt.VIDOPL, lt.GSMNAME, lt.KODGSM, lt.LITER, lt.GSMPRICE, "
      "lt.BASEPRICE, lt.SUMMA, lt.BASEPRICE * lt.LITER, lt.PLOTN, lt.INN, c.NAME, d.NAME, "
      "lt.PLISTNUM, lt.INDEXSALE, lt.TRKNUM, g.NAME, g.INN, lt.IDCNT, lt.IDCAR, lt.IDDRV, "
      "lt.TRKDENSITY FROM LOGTRAN lt "
      "LEFT JOIN CONTRAGENT c ON CAST(c.CONTR_ID AS VARCHAR(10)) = lt.IDCNT "
      "LEFT JOIN VDDRIVER d ON d.ID = lt.IDDRV "
      "LEFT JOIN CONTRAGENT g ON g.CONTR_ID = lt.ID2CNT "
      "WHERE lt.LITER > 0 ORDER BY lt.DATA",
      {"SMNUM",     "DATA",   "POKUPATEL", "VIDOPL", "GSMNAME", "KODGSM", "LITER",  "GSMPRICE",
       "BASEPRICE", "SUMMA",  "BASESUMMA", "PLOTN",  "INN",     "CNT",    "DRIVER", "PLISTNUM",
       "INDEXSALE", "TRKNUM", "GPNAME",    "GPINN",  "IDCNT",   "IDCAR",  "IDDRV",  "TRKDENS"});

  struct Pin {
    int sale;
    const char* column;
    const char* value;
  };
  const Pin pins[] = {
      {1000, "SMNUM", ""},   // before the first shift
      {1008, "SMNUM", "2"},  // the first millisecond of shift 2
      {1010, "SMNUM", "2"},  // its last millisecond
      {1011, "SMNUM", "3"},
      {1000, "SILONUM", "1"},  // tank 0 counts from 1
      {1004, "SILONUM", "0"},  // no tank recorded
      {1001, "NKKM", "8"},     // printed twice: the later receipt counts
      {1001, "KKMNUM", "2"},
      {1000, "KKMNUM", "2"},
      {1002, "KKMNUM", "1"},
      {1003, "NKKM", ""},  // no receipt
      {1003, "KKMNUM", ""},
      {1001, "DATA", "03/01/2024 08:12:05 AM"},
      {1009, "DATA", "03/01/2024 10:22:41 PM"},
      {1018, "DATA", "03/03/2024 12:06:00 AM"},
      {1003, "TRKDENS", "0.8346"},
      {1003, "LITER", "180.2500"},
  };
  for (const Pin& p : pins)
    EXPECT_EQ(dbf.At(RowOfSale(dbf, p.sale), p.column), p.value) << p.sale << " " << p.column;

  // Cyrillic texts are stored in the OEM code page (866).
  const std::string& record = dbf.raw_records[RowOfSale(dbf, 1003)];
  EXPECT_NE(record.find(codepage::AnsiToOem(W("ООО \"Транспортная компания Север\""))),
            std::string::npos);
  EXPECT_EQ(record.find(W("Транспортная")), std::string::npos);
  EXPECT_EQ(U(dbf.At(RowOfSale(dbf, 1022), "CNT")), "ИП Ковалёв Дмитрий Сергеевич");
}

// The dispatcher chooses by the array's high bound: element 4 is the shop directory from five
// elements on; elements 2 and 3 are converted as integers though the export uses neither, and
// with three elements element 2 stands for both. A missing or unconvertible element fails the
// report before the export runs, so the previous file stays.
TEST_F(SaleLogTest, ElementCountsChooseTheBranchAndEveryElementIsConverted) {
  UseStation(StationVariant::kMinimal);
  UseShop();
  const host_param b = Date(DataBegin()), e = Date(DataEnd());
  struct Case {
    const char* name;
    std::vector<host_param> params;
    const char* error;  // nullptr: the export runs
    std::size_t rows;
  };
  const Case cases[] = {
      {"three elements", {b, e, Int(0)}, nullptr, 29},
      {"four elements", {b, e, Int(0), Int(0)}, nullptr, 29},
      {"five elements", {b, e, Int(0), Int(0), Text(ShopDirectory())}, nullptr, 33},
      {"six elements", {b, e, Int(0), Int(0), Text(ShopDirectory()), Int(9)}, nullptr, 33},
      {"two elements", {b, e}, "Variant or safe array index out of bounds", 0},
      {"element 2 not an integer",
       {b, e, Text("abc")},
       "Could not convert variant of type (String) into type (Integer)",
       0},
      {"element 3 not an integer",
       {b, e, Int(0), Text("abc")},
       "Could not convert variant of type (String) into type (Integer)",
       0},
      {"element 3 not an integer beside a shop",
       {b, e, Int(0), Text("abc"), Text(ShopDirectory())},
       "Could not convert variant of type (String) into type (Integer)",
       0},
      {"end not a date",
       {b, Text("tomorrow"), Int(0), Int(0)},
       "Could not convert variant of type (String) into type (Date)",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    platform::ForceDirectories(ExportFile(""));
    platform::WriteWholeFile(ExportFile("SaleLog.dbf"), "the export of an earlier run");
    const ReportResult r = Run('0', c.params);
    EXPECT_TRUE(r.result);
    if (!c.error) {
      EXPECT_EQ(r.text, "");
      EXPECT_EQ(ReadDbf(ExportFile("SaleLog.dbf")).rows.size(), c.rows);
      continue;
    }
    EXPECT_EQ(U(r.text), std::string("Ошибка при формировании отчета: ") + c.error)
        << "the conversion's own error, not wrapped by the export's context";
    EXPECT_EQ(platform::ReadWholeFile(ExportFile("SaleLog.dbf")), "the export of an earlier run");
  }
}

TEST_F(SaleLogTest, ZeroSalesAndDottedDatesFollowTheSettings) {
  UseStation(StationVariant::kMinimal);
  WriteSettings({{"REPORTS", "ExportTideZero", "1"}, {"REPORTS", "UseDBETime", "0"}});
  const DbfContent dbf = Export();
  ASSERT_EQ(dbf.rows.size(), 31u);
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1006), "LITER"), "-5.0000");
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1007), "LITER"), "0.0000");
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1001), "DATA"), "01.03.2024 08:12:05");
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1009), "DATA"), "01.03.2024 22:22:41");
  // Without the counterparty catalogue the older contractor table names the counterparty.
  EXPECT_EQ(U(dbf.At(RowOfSale(dbf, 1003), "CNT")), "ООО \"Транспортная компания Север\"");
  EXPECT_EQ(U(dbf.At(RowOfSale(dbf, 1003), "DRIVER")), "Петров Иван Николаевич");
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1003), "INN"), "7701234567");
}

TEST_F(SaleLogTest, CounterpartyModeOneSwapsTheTwoCounterparties) {
  UseStation(StationVariant::kFull);
  struct Expect {
    int sale;
    const char *inn, *cnt, *gpinn, *gpname;
  };
  const char* supplier = "ООО \"Нефтепродукт-Снаб\"";
  const char* north = "ООО \"Транспортная компания Север\"";
  for (int mode : {0, 2, 1}) {
    SCOPED_TRACE(mode);
    ControlCommand(false, "", "", mode);
    const DbfContent dbf = Export();
    const std::vector<Expect> expected =
        mode == 1 ? std::vector<Expect>{{1003, "7728000111", supplier, "7701234567", north},
                                        {1000, "", "", "", ""}}
                  : std::vector<Expect>{{1003, "7701234567", north, "7728000111", supplier},
                                        {1000, "", "", "", ""}};
    for (const Expect& e : expected) {
      const std::size_t row = RowOfSale(dbf, e.sale);
      EXPECT_EQ(dbf.At(row, "INN"), e.inn);
      EXPECT_EQ(U(dbf.At(row, "CNT")), e.cnt);
      EXPECT_EQ(dbf.At(row, "GPINN"), e.gpinn);
      EXPECT_EQ(U(dbf.At(row, "GPNAME")), e.gpname);
    }
  }
}

TEST_F(SaleLogTest, KAColumnCarriesTheSaleFlag) {
  UseStation(StationVariant::kFull);
  AnswerKAColumn(true);
  const DbfContent dbf = Export();
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1003), "KA"), "T");
  EXPECT_EQ(dbf.At(RowOfSale(dbf, 1001), "KA"), "F");
}

TEST_F(SaleLogTest, CardSalesTakeTheCounterpartyOfTheirCard) {
  UseStation(StationVariant::kFull);
  Sql(Station(),
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1100, '2024-03-04 10:00:00', '7001000055550042', 1, 'АИ-92', 92, 10);"
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1101, '2024-03-04 10:01:00', '7001000012345678', -99, 'АИ-92', 92, 10);"
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1102, '2024-03-04 10:02:00', '7001000012345678', 2, 'АИ-92', 92, 10);"
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1103, '2024-03-04 10:03:00', '7001000012345678', 301, 'АИ-92', 92, 10);"
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1104, '2024-03-04 10:04:00', '7001000012345678', -101, 'АИ-92', 92, 10);"
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1105, '2024-03-04 10:05:00', '7001000000000007', 101, 'АИ-92', 92, 10);"
      "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER) VALUES "
      "(1106, '2024-03-04 10:06:00', '7001000055550042' || ASCII_CHAR(9), 1, 'АИ-92', 92, 10);"
      "COMMIT;");
  // A card record marked as deleted is no longer in the list: a card handed to another
  // holder keeps only its live record, and a withdrawn card has none.
  WriteCardFile({{"7001000099990001", "7700000099", "Прежний держатель", "deleted"},
                 {"7001000012345678", "7700000001", "Смирнов А. В. (карта)"},
                 {"7001000099990001", "7700000002", "Север, топливные карты"},
                 {"7001000055550042", "7700000003", "Ёлкина Ю. Э."},
                 {"7001000000000007", "7700000007", "Заблокированная карта", "deleted"}});
  const DbfContent dbf = Export();
  struct Expect {
    int sale;
    const char *inn, *cnt;
  };
  const Expect expected[] = {
      {1002, "7700000001", "Смирнов А. В. (карта)"},   // 101
      {1028, "7700000001", "Смирнов А. В. (карта)"},   // 101
      {1005, "7700000002", "Север, топливные карты"},  // 201
      {1100, "7700000003", "Ёлкина Ю. Э."},            // 1
      {1103, "7700000001", "Смирнов А. В. (карта)"},   // 301
      {1101, "", ""},                                  // -99: the remainder is -99, not 1
      {1104, "", ""},                                  // -101: the remainder is -1
      {1105, "", ""},                                  // its only record is deleted
      {1106, "", ""},                                  // a tab after the card number
      {1102, "", ""},                                  // 2
      {1001, "", ""},                                  // a cash buyer that is no card
  };
  for (const Expect& e : expected) {
    const std::size_t row = RowOfSale(dbf, e.sale);
    EXPECT_EQ(dbf.At(row, "INN"), e.inn) << e.sale;
    EXPECT_EQ(U(dbf.At(row, "CNT")), e.cnt) << e.sale;
  }
}

TEST_F(SaleLogTest, ShopDirectoryWithoutATrailingDelimiterNamesTheSameDatabase) {
  UseStation(StationVariant::kMinimal);
  UseShop();
  // "D:\SHOP" is the directory D:\SHOP\ too: its database is D:\SHOP\SHOP.FDB, not
  // D:\SHOPSHOP.FDB.
  const DbfContent dbf = Export("D:\\SHOP");
  ASSERT_EQ(dbf.rows.size(), 33u);
  EXPECT_EQ(dbf.At(32, "ISTOVAR"), "1");
}

std::string Hex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    hex += digits;
  }
  return hex;
}

TEST_F(SaleLogTest, GoodsRowsFollowTheFuelRowsAndFuelNamesAreReplacedInAll) {
  UseStation(StationVariant::kFull);
  UseShop();
  AnswerKAColumn(true);
  AnswerStationName("АЗС №7 Заречье");
  WriteSettings({{"REPORTS", "GSMTbl", "1"},
                 {"REPORTS", "GSMFldLen", "25"},
                 {"REPORTS", "GSMNames2" + Hex(W("АЗС №7 Заречье")),
                  "аи-92=Регуляр-92 (с присадкой)|ДТ Евро= ДТ Евро-5 "}});
  const DbfContent dbf = Export(ShopDirectory());
  ASSERT_EQ(dbf.rows.size(), 33u);
  EXPECT_EQ(Layout(dbf)[8], "GSMNAME C 25");

  // Fuel rows first, in time order, then goods rows in date order.
  for (std::size_t i = 0; i < 29; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(dbf.At(i, "ISTOVAR"), "0");
    EXPECT_EQ(dbf.At(i, "TOVARCODE"), "");
    EXPECT_EQ(dbf.At(i, "TOVKOLVO"), "0.0000");
    EXPECT_NE(dbf.At(i, "INDEXSALE"), "0");
  }
  EXPECT_EQ(dbf.At(0, "INDEXSALE"), "1000");
  EXPECT_EQ(dbf.At(28, "INDEXSALE"), "1030");

  struct Goods {
    const char *data, *vozvrat, *komiss, *code, *kolvo, *zsum, *psum, *skidka, *vidopl;
  };
  const Goods goods[] = {
      {"03/01/2024 09:41:03 AM", "0", "0", "4601234000011", "1.0000", "310.0000", "449.0000",
       "50.0000", "1"},
      {"03/01/2024 09:41:03 AM", "0", "0", "4607001770012", "2.0000", "91.0000", "240.0000",
       "0.0000", "1"},
      {"03/01/2024 12:10:00 PM", "0", "1", "4600000123456", "1.0000", "1650.0000", "2390.0000",
       "200.0000", "2"},
      {"03/02/2024 10:05:00 AM", "1", "0", "4607001770012", "1.0000", "45.5000", "120.0000",
       "0.0000", "1"},
  };
  // Lines of one document share its date, so the server may send them in either order.
  DbfContent sorted = dbf;
  const int code = dbf.Column("TOVARCODE"), data = dbf.Column("DATA");
  for (std::size_t row = 29; row + 1 < sorted.rows.size(); ++row) {
    auto& a = sorted.rows[row];
    auto& b = sorted.rows[row + 1];
    if (a[data] == b[data] && a[code] > b[code]) std::swap(a, b);
  }
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const std::size_t row = 29 + i;
    const Goods& g = goods[i];
    EXPECT_EQ(sorted.At(row, "ISTOVAR"), "1");
    EXPECT_EQ(sorted.At(row, "KA"), "F");
    EXPECT_EQ(sorted.At(row, "DATA"), g.data);
    EXPECT_EQ(sorted.At(row, "TOVVOZVRAT"), g.vozvrat);
    EXPECT_EQ(sorted.At(row, "TOVKOMISS"), g.komiss);
    EXPECT_EQ(sorted.At(row, "TOVARCODE"), g.code);
    EXPECT_EQ(sorted.At(row, "TOVKOLVO"), g.kolvo);
    EXPECT_EQ(sorted.At(row, "TOVZSUM"), g.zsum);
    EXPECT_EQ(sorted.At(row, "TOVPSUM"), g.psum);
    EXPECT_EQ(sorted.At(row, "TOVSKIDKA"), g.skidka);
    EXPECT_EQ(sorted.At(row, "VIDOPL"), g.vidopl);
    for (const char* empty : {"POKUPATEL", "GSMNAME", "INN", "CNT", "DRIVER", "IDCNT"})
      EXPECT_EQ(sorted.At(row, empty), "") << empty;
    for (const char* zero : {"KODGSM", "INDEXSALE", "SILONUM", "TRKNUM"})
      EXPECT_EQ(sorted.At(row, zero), "0") << zero;
    for (const char* zero : {"LITER", "SUMMA", "PLOTN", "TRKDENS"})
      EXPECT_EQ(sorted.At(row, zero), "0.0000") << zero;
  }
  EXPECT_EQ(U(sorted.At(32, "TOVARNAME")), "Кофе капучино 0,3 л");

  // Replacement: case-insensitive name, trimmed value, unmapped names untouched.
  EXPECT_EQ(U(dbf.At(RowOfSale(dbf, 1000), "GSMNAME")), "Регуляр-92 (с присадкой)");
  EXPECT_EQ(U(dbf.At(RowOfSale(dbf, 1003), "GSMNAME")), "ДТ Евро-5");
  EXPECT_EQ(U(dbf.At(RowOfSale(dbf, 1002), "GSMNAME")), "АИ-95");
}

}  // namespace
}  // namespace kvr::test
