// The SQL texts the exports send, compared with the pieces the station's side expects, for
// every combination of the switches that change them. The expected pieces are written here
// once more, as tables of (condition, piece), byte for byte.
#include "reports/export_sql.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "common/date_time.h"

namespace kvr::reports {
namespace {

template <typename Switches>
struct Piece {
  std::function<bool(const Switches&)> when;
  const char* text;
};

template <typename Switches>
std::string Join(const std::vector<Piece<Switches>>& pieces, const Switches& s,
                 const char* separator) {
  std::string text;
  bool first = true;
  for (const auto& p : pieces) {
    if (p.when && !p.when(s)) continue;
    if (!first) text += separator;
    text += p.text;
    first = false;
  }
  return text;
}

using S = SaleLogSqlSwitches;
const std::vector<Piece<S>> kSaleLogFuelLines = {
    {{}, "SELECT"},
    {[](const S& s) { return !s.shop_rows; }, "sm.SmNum,"},
    {{}, "lt.Data,"},
    {{}, "lt.Pokupatel,"},
    {{}, "lt.VidOpl,"},
    {{}, "lt.GSMName,"},
    {{}, "lt.KodGSM,"},
    {{}, "lt.Liter,"},
    {{}, "lt.GsmPrice,"},
    {{}, "lt.BasePrice,"},
    {{}, "lt.Summa,"},
    {{}, "lt.BasePrice * lt.Liter AS BaseSumma,"},
    {{}, "lt.plotn,"},
    {[](const S& s) { return s.counterparty_mode1 && s.has_id2cnt; }, "lt.inn AS GPINN,"},
    {[](const S& s) { return s.counterparty_mode1 && s.has_id2cnt; }, "vdcnt.Name AS GPNAME,"},
    {[](const S& s) { return !(s.counterparty_mode1 && s.has_id2cnt); }, "lt.INN,"},
    {[](const S& s) { return !(s.counterparty_mode1 && s.has_id2cnt); }, "vdcnt.Name AS CNT,"},
    {{}, "vddrv.Name AS Driver,"},
    {{}, "lt.IDCnt,"},
    {{}, "lt.IDCar,"},
    {{}, "lt.IDDrv,"},
    {{}, "lt.PListNum,"},
    {[](const S& s) { return s.has_silonum; },
     "IIF(lt.SILONUM IS NULL, 0, lt.SILONUM + 1) AS SILONUM,"},
    {[](const S& s) { return s.has_trknum; }, "lt.TRKNUM,"},
    {[](const S& s) { return s.has_trkdensity; }, "lt.TRKDENSITY AS TRKDENS,"},
    {{}, "lt.INDEXSALE"},
    {[](const S& s) { return s.has_nkkm; },
     ", (SELECT FIRST 1 b.CLIENT FROM BCHECK b WHERE b.INDEXSALE IS NOT NULL AND "
     "b.INDEXSALE=lt.INDEXSALE  ORDER BY b.DATA DESC) AS NKKM"},
    {[](const S& s) { return s.has_kkmnum; },
     ", (SELECT FIRST 1 b.KKM+1 FROM BCHECK b WHERE b.INDEXSALE IS NOT NULL AND "
     "b.INDEXSALE=lt.INDEXSALE  ORDER BY b.DATA DESC) AS KKMNUM"},
    {[](const S& s) { return s.ka_column; }, ", KA"},
    {[](const S& s) { return s.has_id2cnt && s.counterparty_mode1; },
     ", GP.NAME AS CNT, GP.INN AS INN"},
    {[](const S& s) { return s.has_id2cnt && !s.counterparty_mode1; },
     ", GP.NAME AS GPNAME, GP.INN AS GPINN"},
    {{}, "FROM"},
    {{}, "LogTran lt"},
    {[](const S& s) { return s.contragent_catalogue; },
     "LEFT JOIN CONTRAGENT vdcnt ON (CHAR_LENGTH(lt.IDCNT) > 0) AND (lt.IDCNT = "
     "CAST(vdcnt.CONTR_ID AS VARCHAR(10)))"},
    {[](const S& s) { return !s.contragent_catalogue; },
     "Left join VDContractor vdcnt on vdcnt.ID = lt.IDCNT"},
    {{}, "Left join VDDriver vddrv on vddrv.ID = lt.IDDRV"},
    {[](const S& s) { return s.has_id2cnt; }, "LEFT JOIN CONTRAGENT GP ON lt.ID2CNT = GP.CONTR_ID"},
    {[](const S& s) { return !s.shop_rows; },
     "LEFT JOIN SMLog sm ON lt.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME"},
    {{}, "WHERE (lt.Data BETWEEN :BegData and :EndData) "},
    {[](const S& s) { return !s.export_tide_zero; }, " AND (lt.Liter > 0) "},
    {[](const S& s) { return s.shop_rows; }, "ORDER BY 1"},
    {[](const S& s) { return !s.shop_rows; }, "ORDER BY 2"},
};

TEST(ExportSqlTest, SaleLogFuelQueryForEverySwitchCombination) {
  bool S::*const switches[] = {
      &S::shop_rows,  &S::counterparty_mode1,   &S::has_silonum,     &S::has_id2cnt,
      &S::has_trknum, &S::has_trkdensity,       &S::has_nkkm,        &S::has_kkmnum,
      &S::ka_column,  &S::contragent_catalogue, &S::export_tide_zero};
  constexpr int kCount = sizeof switches / sizeof switches[0];
  int checked = 0;
  for (int bits = 0; bits < (1 << kCount); ++bits) {
    S s;
    for (int i = 0; i < kCount; ++i) s.*switches[i] = (bits >> i) & 1;
    if (s.has_kkmnum && !s.has_nkkm) continue;  // KKMNUM needs the NKKM columns
    ASSERT_EQ(SaleLogFuelSql(s), Join(kSaleLogFuelLines, s, "\r\n")) << "switches " << bits;
    ++checked;
  }
  EXPECT_EQ(checked, 1536);
}

TEST(ExportSqlTest, SaleLogGoodsQueryAndFixedTexts) {
  EXPECT_EQ(SaleLogGoodsSql(),
            "SELECT\r\n"
            "d.Data, Cast(1 as integer) as IsTovar, (gm.\"TYPE\" - 2) as TovVozvrat,\r\n"
            "b.\"TYPE\" as TovKomiss, g.Kod as TovarCode, g.Name as TovarName,\r\n"
            "d.Payment as VidOpl, gm.\"COUNT\" as TovKolvo, gm.ZPrice as TovZPrice,\r\n"
            "gm.ZPrice * gm.\"COUNT\" as TovZSum, GM.RPRICE AS TOVPPRICE,\r\n"
            "GM.RPRICE * GM.\"COUNT\" AS TOVPSUM,\r\n"
            "(GM.PPRICE * GM.\"COUNT\") - (GM.RPRICE * GM.\"COUNT\") AS TOVSKIDKA\r\n"
            "FROM Documents d\r\n"
            "LEFT JOIN GoodsMotion gm ON  gm.ID_Doc = d.ID_Doc\r\n"
            "LEFT JOIN Batches b ON gm.ID_P = b.ID_P\r\n"
            "LEFT JOIN Goods g ON g.ID_Goods = b.ID_Goods\r\n"
            "WHERE d.Data BETWEEN :BegData AND :EndData AND\r\n"
            "  d.\"TYPE\" IN (2, 3) AND gm.\"COUNT\" > 0\r\n"
            "ORDER BY 1");
  EXPECT_STREQ(kContragentCatalogSql,
               "SELECT c.CONTR_ID AS ID, c.NAME, ct.PARAM1 AS VIDOPL FROM CONTRAGENT c LEFT JOIN "
               "CONTRAGENTTYPE ct ON ct.CONTR_ID = c.CONTR_ID WHERE (ct.CTYPE=1) AND (ct.PARAM1 - "
               "ct.PARAM1 / 100 * 100 = 4) ORDER BY c.NAME");
  EXPECT_STREQ(kLogTranProbeSql, "SELECT FIRST 1 * FROM LOGTRAN");
  EXPECT_STREQ(kBCheckProbeSql, "SELECT FIRST 1 * FROM BCHECK");
  EXPECT_STREQ(kSmTrkProbeSql, "SELECT FIRST 1 * FROM SmTrk");
  EXPECT_STREQ(kPrxProbeSql, "SELECT * FROM PRX WHERE OpNum = 0");
  EXPECT_STREQ(kDiscountCardsSql, "SELECT * FROM DscCards");
  EXPECT_EQ(TankEventsSql(),
            "SELECT sm.SmNum, L.*\r\nFROM\r\nLSilo L\r\nLEFT JOIN SMLOG sm ON L.DATA BETWEEN "
            "sm.BEGTIME AND sm.ENDTIME\r\nWHERE L.DATA BETWEEN :BegData and :EndData\r\nORDER "
            "BY L.Name, L.Data");
}

// The library's form of the three shift queries: the column in place of "sm.SmNum", no join.
TEST(ExportSqlTest, ShiftColumnReplacesTheJoin) {
  const std::string column = "CAST(NULL AS INTEGER) AS \"SMNUM\"";
  EXPECT_EQ(TankEventsSql(column), "SELECT " + column +
                                       ", L.*\r\nFROM\r\nLSilo L\r\nWHERE L.DATA BETWEEN "
                                       ":BegData and :EndData\r\nORDER BY L.Name, L.Data");
  EXPECT_EQ(CashReceiptsSql(20, column),
            "SELECT " + column +
                ", b.DATA, CAST(b.GSM AS VARCHAR(20)) AS GSMNAME,   b.KOLVO AS LITER, "
                "b.PRICE AS GSMPRICE, b.SUMMA, b.VIDOPL, b.CLIENT AS NKKM, b.INDEXSALE\r\n"
                "FROM\r\nBCheck b\r\nWHERE b.DATA BETWEEN :BegData AND :EndData ORDER BY 2");
  SaleLogSqlSwitches joined, library;
  library.shift_column = column;
  std::string expected = SaleLogFuelSql(joined);
  expected.replace(expected.find("sm.SmNum,"), 8, column);
  const std::string join = "\r\nLEFT JOIN SMLog sm ON lt.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME";
  expected.erase(expected.find(join), join.size());
  EXPECT_EQ(SaleLogFuelSql(library), expected);
  library.shop_rows = joined.shop_rows = true;  // the shop layout has no shift either way
  EXPECT_EQ(SaleLogFuelSql(library), SaleLogFuelSql(joined));
}

TEST(ExportSqlTest, TankRemainsQueryByWidthAndOfficeMode) {
  for (int width : {20, 7, 125}) {
    for (bool office : {false, true}) {
      const std::string expected =
          "SELECT DISTINCT\r\ns.SmNum,\r\nsm.BEGTIME,\r\nsm.ENDTIME,\r\nCAST(sm.OPERATOR AS "
          "VARCHAR(30)) AS OPERATOR,\r\ns.SiloNum+1 AS NOMERREZ,\r\nCAST(s.GsmName AS VARCHAR(" +
          std::to_string(width) + ")) AS GsmName,\r\n" + "s.KodGsm,\r\n" +
          "s.SiloEndL AS LITER,\r\n" + "s.UdVes AS PLOTN,\r\n" + "s.MaxVolume AS EMKOST,\r\n" +
          "s.SiloEnd AS \"LEVEL\",\r\n" +
          (office ? " s.SiloEndCalcRevL AS CALCLITER " : " s.SiloEndCalcL AS CALCLITER ") +
          "FROM\r\n" + "SmSilo s\r\n" + "  LEFT JOIN SmLog sm ON sm.SmNum = s.SmNum\r\n" +
          "WHERE (s.SmNum BETWEEN :pSmenaBeg AND :pSmenaEnd)\r\n" + "ORDER BY 1, 5";
      EXPECT_EQ(TankRemainsSql(width, office), expected) << width << " " << office;
    }
  }
}

struct TrkSwitches {
  bool office, trk2beg;
};

TEST(ExportSqlTest, DispenserInfoQueryByOfficeModeAndSecondCounters) {
  using T = TrkSwitches;
  const std::vector<Piece<T>> lines = {
      {{},
       "SELECT trk.SmNum, sm.BegTime, sm.EndTime, CAST(sm.Operator AS VARCHAR(30)) AS "
       "Operator, trk.TrkIndex, "},
      {{}, "  trk.Pistolet, CAST(trk.GSMName AS VARCHAR(24)) AS GSMName, "},
      {{}, "  trk.SiloNum+1 AS SiloNum, trk.GSMPrice, trk.TrkBeg,"},
      {[](const T& t) { return t.office; },
       "  trk.TrkEnd + trk.TRKSMENACOR AS TrkEnd, trk.TrkSmena + trk.TRKSMENACOR AS TrkSmena, "},
      {[](const T& t) { return !t.office; }, "  trk.TrkEnd, trk.TrkSmena, "},
      {[](const T& t) { return t.trk2beg; }, "  trk.TRK2BEG AS TRKBEG2, trk.TRK2END AS TRKEND2, "},
      {{}, "  trk.TrkSmenaM, trk.BegElCounter AS TrkBegEl, "},
      {{},
       "  trk.EndElCounter AS TrkEndEl, CAST(sm.Operator2 AS VARCHAR(30)) AS Operator2, "
       "CAST(sm.Operator3 AS VARCHAR(30)) AS Operator3"},
      {{}, "FROM SmTrk trk"},
      {{}, "LEFT JOIN SmLog sm ON sm.SmNum = trk.SmNum"},
      {{}, "WHERE trk.SmNum BETWEEN :BegSm AND :EndSm"},
      {{}, "ORDER BY 1, 5, 6"},
  };
  for (bool office : {false, true})
    for (bool trk2beg : {false, true})
      EXPECT_EQ(DispenserInfoSql(24, office, trk2beg), Join(lines, T{office, trk2beg}, "\r\n"))
          << office << " " << trk2beg;
}

struct PrxSwitches {
  bool supplier, drain;
};

TEST(ExportSqlTest, FuelReceiptsQueryBySupplierDataAndDrainPoint) {
  using P = PrxSwitches;
  auto supplier = [](const P& p) { return p.supplier; };
  auto plain = [](const P& p) { return !p.supplier; };
  const std::vector<Piece<P>> pieces = {
      {supplier,
       "SELECT p.SmNum, p.OpNum, COALESCE(ps.BEGTIME, p.BEGTIME) AS BegTime,\r\n  "
       "COALESCE(ps.ENDTIME, p.ENDTIME) AS EndTime, p.Prim AS NNum, \r\n  "
       "CAST(p.GSMName AS VARCHAR("},
      {supplier, "20"},
      {supplier, ")) AS GSMName, COALESCE(ps.SILONUM, s.SILONUM+1) AS SiloNum, \r\n"},
      {supplier,
       "  p.CarVolTTN AS VolumeTTN, COALESCE(ps.FACTL, p.FACT1) AS VolumeFact, "
       "p.CarVolFact AS VolumeCar, \r\n"},
      {supplier,
       "  p.CarVolTTN*p.UdVes AS MassTTN, COALESCE(ps.FACTL, p.FACT1) * "
       "COALESCE(ps.FACTPLOTN, p.FACTPLOTN) AS MassFact, p.CarVolFact * "
       "p.CarUdVesFact AS MassCar, \r\n"},
      {supplier,
       "  p.UdVes AS DenTTN, COALESCE(ps.FACTPLOTN, p.FACTPLOTN) AS DenFact, "
       "p.CarUdVesFact AS DenCar, \r\n"},
      {supplier, "  p.Temper AS TempTTN, p.CarTemperFact AS TempFact, \r\n"},
      {supplier, "  p.CarName, p.Prihod, p.TTNDATA, p.TTNNUM, c.NAME AS SUPPLIER, c.INN"},
      {[](const P& p) { return p.supplier && p.drain; }, ", p.NAMESLIV"},
      {supplier, " \r\n"},
      {supplier, "FROM \r\n"},
      {supplier, "Prx p\r\n"},
      {supplier, "LEFT JOIN SmSilo s ON s.SmNum = p.SmNum AND s.SiloName = p.SiloName\r\n"},
      {supplier, "LEFT JOIN PRXSILO ps ON p.OPNUM=ps.OPNUM\r\n"},
      {supplier, "LEFT JOIN CONTRAGENT c ON p.CONTR_ID=c.CONTR_ID\r\n"},
      {supplier, "WHERE (p.\"DATE\" between :BegData and :EndData) AND p.Prihod IN (:P1, :P2)\r\n"},
      {supplier, "ORDER BY p.SmNum, p.OpNum"},
      {plain,
       "SELECT Prx.SmNum, Prx.OpNum, Prx.BegTime,\r\n  Prx.EndTime, Prx.Prim AS NNum, "
       "\r\n  CAST(Prx.GSMName AS VARCHAR("},
      {plain, "20"},
      {plain, ")) AS GSMName, s.SiloNum+1 AS SiloNum, \r\n"},
      {plain,
       "  Prx.CarVolTTN AS VolumeTTN, Prx.FACT1 AS VolumeFact, Prx.CarVolFact AS "
       "VolumeCar, \r\n"},
      {plain,
       "  Prx.CarVolTTN*Prx.UdVes AS MassTTN, Prx.FACT1 * Prx.FactPlotn AS MassFact, "
       "Prx.CarVolFact * Prx.CarUdVesFact AS MassCar, \r\n"},
      {plain,
       "  Prx.UdVes AS DenTTN, Prx.FactPlotn AS DenFact, Prx.CarUdVesFact AS DenCar, "
       "\r\n"},
      {plain, "  Prx.Temper AS TempTTN, Prx.CarTemperFact AS TempFact, \r\n"},
      {plain, "  Prx.CarName, Prx.Prihod"},
      {[](const P& p) { return !p.supplier && p.drain; }, ", prx.NAMESLIV"},
      {plain, " \r\n"},
      {plain, "FROM \r\n"},
      {plain, "Prx\r\n"},
      {plain, "LEFT JOIN SmSilo s ON s.SmNum = Prx.SmNum AND s.SiloName = Prx.SiloName\r\n"},
      {plain,
       "WHERE (Prx.\"DATE\" between :BegData and :EndData) AND Prx.Prihod IN (:P1, :P2)\r\n"},
      {plain, "ORDER BY Prx.SmNum, Prx.OpNum"},
  };
  for (bool supplier_data : {false, true})
    for (bool drain : {false, true})
      EXPECT_EQ(FuelReceiptsSql(20, supplier_data, drain),
                Join(pieces, P{supplier_data, drain}, ""))
          << supplier_data << " " << drain;
}

TEST(ExportSqlTest, CashReceiptsQuery) {
  EXPECT_EQ(CashReceiptsSql(33),
            "SELECT sm.SmNum, b.DATA, CAST(b.GSM AS VARCHAR(33)) AS GSMNAME,   b.KOLVO AS LITER, "
            "b.PRICE AS GSMPRICE, b.SUMMA, b.VIDOPL, b.CLIENT AS NKKM, b.INDEXSALE\r\n"
            "FROM\r\nBCheck b\r\nLEFT JOIN SMLOG sm ON b.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME\r\n"
            "WHERE b.DATA BETWEEN :BegData AND :EndData ORDER BY 2");
}

TEST(ExportSqlTest, SaleDiscountsQueryCarriesQuotedLiteralsWithMilliseconds) {
  const TDateTime begin = EncodeDateTime(2024, 1, 31, 8, 5, 9, 250);
  const TDateTime end = EncodeDateTime(2024, 12, 1, 23, 59, 59, 999);
  EXPECT_EQ(FormatSqlDateTime(true, begin), "2024-01-31 08:05:09.250");
  EXPECT_EQ(FormatSqlDateTime(false, begin), "2024-01-31 08:05:09");
  EXPECT_EQ(SaleDiscountsSql(begin, end),
            "SELECT ltd.INDEXSALE, CAST(ltd.DSCNAME AS VARCHAR(20)) AS DSCNAME, ltd.DSCTYPE, "
            "CAST(ltd.DSCPARAM AS VARCHAR(25)) AS DSCPARAM, ltd.DSCVAL, ltd.DSCVALTYPE\r\n"
            "FROM LOGTRAN lt\r\nJOIN LOGTRANDSC ltd ON ltd.INDEXSALE = lt.INDEXSALE\r\n"
            "WHERE lt.DATA BETWEEN '2024-01-31 08:05:09.250' AND '2024-12-01 23:59:59.999'");
  EXPECT_EQ(QuotedSqlString("a'b''c"), "'a''b''''c'");
  EXPECT_EQ(QuotedSqlString(""), "''");
}

}  // namespace
}  // namespace kvr::reports
