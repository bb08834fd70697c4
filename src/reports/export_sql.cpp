#include "reports/export_sql.h"

#include <initializer_list>
#include <string_view>

namespace kvr::reports {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// Appends pieces that each make one line of the text.
class LineBuilder {
 public:
  LineBuilder& Line(std::string_view piece) {
    if (!first_) text_ += kCrLf;
    text_ += piece;
    first_ = false;
    return *this;
  }
  LineBuilder& Lines(std::initializer_list<std::string_view> pieces) {
    for (std::string_view p : pieces) Line(p);
    return *this;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
  bool first_ = true;
};

}  // namespace

const char* const kLogTranProbeSql = "SELECT FIRST 1 * FROM LOGTRAN";
const char* const kBCheckProbeSql = "SELECT FIRST 1 * FROM BCHECK";
const char* const kSmTrkProbeSql = "SELECT FIRST 1 * FROM SmTrk";
const char* const kPrxProbeSql = "SELECT * FROM PRX WHERE OpNum = 0";
const char* const kDiscountCardsSql = "SELECT * FROM DscCards";

const char* const kContragentCatalogSql =
    "SELECT c.CONTR_ID AS ID, c.NAME, ct.PARAM1 AS VIDOPL FROM CONTRAGENT c LEFT JOIN "
    "CONTRAGENTTYPE ct ON ct.CONTR_ID = c.CONTR_ID WHERE (ct.CTYPE=1) AND (ct.PARAM1 - ct.PARAM1 "
    "/ 100 * 100 = 4) ORDER BY c.NAME";

std::string TankEventsSql(std::string_view shift_column) {
  std::string sql = "SELECT ";
  sql += shift_column.empty() ? "sm.SmNum" : shift_column;
  sql += ", L.*\r\nFROM\r\nLSilo L\r\n";
  if (shift_column.empty())
    sql += "LEFT JOIN SMLOG sm ON L.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME\r\n";
  sql += "WHERE L.DATA BETWEEN :BegData and :EndData\r\nORDER BY L.Name, L.Data";
  return sql;
}

std::string SaleLogFuelSql(const SaleLogSqlSwitches& s) {
  LineBuilder b;
  b.Line("SELECT");
  if (!s.shop_rows) b.Line(s.shift_column.empty() ? "sm.SmNum," : s.shift_column + ",");
  b.Lines({"lt.Data,", "lt.Pokupatel,", "lt.VidOpl,", "lt.GSMName,", "lt.KodGSM,", "lt.Liter,",
           "lt.GsmPrice,", "lt.BasePrice,", "lt.Summa,", "lt.BasePrice * lt.Liter AS BaseSumma,",
           "lt.plotn,"});
  if (s.counterparty_mode1 && s.has_id2cnt)
    b.Lines({"lt.inn AS GPINN,", "vdcnt.Name AS GPNAME,"});
  else
    b.Lines({"lt.INN,", "vdcnt.Name AS CNT,"});
  b.Lines({"vddrv.Name AS Driver,", "lt.IDCnt,", "lt.IDCar,", "lt.IDDrv,", "lt.PListNum,"});
  if (s.has_silonum) b.Line("IIF(lt.SILONUM IS NULL, 0, lt.SILONUM + 1) AS SILONUM,");
  if (s.has_trknum) b.Line("lt.TRKNUM,");
  if (s.has_trkdensity) b.Line("lt.TRKDENSITY AS TRKDENS,");
  b.Line("lt.INDEXSALE");
  if (s.has_nkkm)
    b.Line(
        ", (SELECT FIRST 1 b.CLIENT FROM BCHECK b WHERE b.INDEXSALE IS NOT NULL AND "
        "b.INDEXSALE=lt.INDEXSALE  ORDER BY b.DATA DESC) AS NKKM");
  if (s.has_kkmnum)
    b.Line(
        ", (SELECT FIRST 1 b.KKM+1 FROM BCHECK b WHERE b.INDEXSALE IS NOT NULL AND "
        "b.INDEXSALE=lt.INDEXSALE  ORDER BY b.DATA DESC) AS KKMNUM");
  if (s.ka_column) b.Line(", KA");
  if (s.has_id2cnt)
    b.Line(s.counterparty_mode1 ? ", GP.NAME AS CNT, GP.INN AS INN"
                                : ", GP.NAME AS GPNAME, GP.INN AS GPINN");
  b.Lines({"FROM", "LogTran lt"});
  b.Line(s.contragent_catalogue
             ? "LEFT JOIN CONTRAGENT vdcnt ON (CHAR_LENGTH(lt.IDCNT) > 0) AND (lt.IDCNT = "
               "CAST(vdcnt.CONTR_ID AS VARCHAR(10)))"
             : "Left join VDContractor vdcnt on vdcnt.ID = lt.IDCNT");
  b.Line("Left join VDDriver vddrv on vddrv.ID = lt.IDDRV");
  if (s.has_id2cnt) b.Line("LEFT JOIN CONTRAGENT GP ON lt.ID2CNT = GP.CONTR_ID");
  if (!s.shop_rows && s.shift_column.empty())
    b.Line("LEFT JOIN SMLog sm ON lt.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME");
  b.Line("WHERE (lt.Data BETWEEN :BegData and :EndData) ");
  if (!s.export_tide_zero) b.Line(" AND (lt.Liter > 0) ");
  b.Line(s.shop_rows ? "ORDER BY 1" : "ORDER BY 2");
  return b.Take();
}

std::string SaleLogGoodsSql() {
  LineBuilder b;
  b.Lines({"SELECT", "d.Data, Cast(1 as integer) as IsTovar, (gm.\"TYPE\" - 2) as TovVozvrat,",
           "b.\"TYPE\" as TovKomiss, g.Kod as TovarCode, g.Name as TovarName,",
           "d.Payment as VidOpl, gm.\"COUNT\" as TovKolvo, gm.ZPrice as TovZPrice,",
           "gm.ZPrice * gm.\"COUNT\" as TovZSum, GM.RPRICE AS TOVPPRICE,",
           "GM.RPRICE * GM.\"COUNT\" AS TOVPSUM,",
           "(GM.PPRICE * GM.\"COUNT\") - (GM.RPRICE * GM.\"COUNT\") AS TOVSKIDKA",
           "FROM Documents d", "LEFT JOIN GoodsMotion gm ON  gm.ID_Doc = d.ID_Doc",
           "LEFT JOIN Batches b ON gm.ID_P = b.ID_P",
           "LEFT JOIN Goods g ON g.ID_Goods = b.ID_Goods",
           "WHERE d.Data BETWEEN :BegData AND :EndData AND",
           "  d.\"TYPE\" IN (2, 3) AND gm.\"COUNT\" > 0", "ORDER BY 1"});
  return b.Take();
}

std::string TankRemainsSql(int fuel_name_width, bool office_mode) {
  std::string sql =
      "SELECT DISTINCT\r\ns.SmNum,\r\nsm.BEGTIME,\r\nsm.ENDTIME,\r\nCAST(sm.OPERATOR AS "
      "VARCHAR(30)) AS OPERATOR,\r\ns.SiloNum+1 AS NOMERREZ,\r\nCAST(s.GsmName AS VARCHAR(";
  sql += std::to_string(fuel_name_width);
  sql += ")) AS GsmName,\r\n";
  sql += "s.KodGsm,\r\n";
  sql += "s.SiloEndL AS LITER,\r\n";
  sql += "s.UdVes AS PLOTN,\r\n";
  sql += "s.MaxVolume AS EMKOST,\r\n";
  sql += "s.SiloEnd AS \"LEVEL\",\r\n";
  sql += office_mode ? " s.SiloEndCalcRevL AS CALCLITER " : " s.SiloEndCalcL AS CALCLITER ";
  sql += "FROM\r\n";
  sql += "SmSilo s\r\n";
  sql += "  LEFT JOIN SmLog sm ON sm.SmNum = s.SmNum\r\n";
  sql += "WHERE (s.SmNum BETWEEN :pSmenaBeg AND :pSmenaEnd)\r\n";
  sql += "ORDER BY 1, 5";
  return sql;
}

std::string DispenserInfoSql(int fuel_name_width, bool office_mode, bool has_trk2beg) {
  std::string gsm = "  trk.Pistolet, CAST(trk.GSMName AS VARCHAR(" +
                    std::to_string(fuel_name_width) + ")) AS GSMName, ";
  LineBuilder b;
  b.Line(
      "SELECT trk.SmNum, sm.BegTime, sm.EndTime, CAST(sm.Operator AS VARCHAR(30)) AS "
      "Operator, trk.TrkIndex, ");
  b.Line(gsm);
  b.Line("  trk.SiloNum+1 AS SiloNum, trk.GSMPrice, trk.TrkBeg,");
  b.Line(office_mode ? "  trk.TrkEnd + trk.TRKSMENACOR AS TrkEnd, trk.TrkSmena + "
                       "trk.TRKSMENACOR AS TrkSmena, "
                     : "  trk.TrkEnd, trk.TrkSmena, ");
  if (has_trk2beg) b.Line("  trk.TRK2BEG AS TRKBEG2, trk.TRK2END AS TRKEND2, ");
  b.Lines({"  trk.TrkSmenaM, trk.BegElCounter AS TrkBegEl, ",
           "  trk.EndElCounter AS TrkEndEl, CAST(sm.Operator2 AS VARCHAR(30)) AS Operator2, "
           "CAST(sm.Operator3 AS VARCHAR(30)) AS Operator3",
           "FROM SmTrk trk", "LEFT JOIN SmLog sm ON sm.SmNum = trk.SmNum",
           "WHERE trk.SmNum BETWEEN :BegSm AND :EndSm", "ORDER BY 1, 5, 6"});
  return b.Take();
}

std::string FuelReceiptsSql(int fuel_name_width, bool supplier_data, bool drain_point) {
  const std::string width = std::to_string(fuel_name_width);
  std::string sql;
  if (supplier_data) {
    sql +=
        "SELECT p.SmNum, p.OpNum, COALESCE(ps.BEGTIME, p.BEGTIME) AS BegTime,\r\n  "
        "COALESCE(ps.ENDTIME, p.ENDTIME) AS EndTime, p.Prim AS NNum, \r\n  CAST(p.GSMName AS "
        "VARCHAR(";
    sql += width;
    sql += ")) AS GSMName, COALESCE(ps.SILONUM, s.SILONUM+1) AS SiloNum, \r\n";
    sql +=
        "  p.CarVolTTN AS VolumeTTN, COALESCE(ps.FACTL, p.FACT1) AS VolumeFact, p.CarVolFact "
        "AS VolumeCar, \r\n";
    sql +=
        "  p.CarVolTTN*p.UdVes AS MassTTN, COALESCE(ps.FACTL, p.FACT1) * COALESCE(ps.FACTPLOTN, "
        "p.FACTPLOTN) AS MassFact, p.CarVolFact * p.CarUdVesFact AS MassCar, \r\n";
    sql +=
        "  p.UdVes AS DenTTN, COALESCE(ps.FACTPLOTN, p.FACTPLOTN) AS DenFact, p.CarUdVesFact "
        "AS DenCar, \r\n";
    sql += "  p.Temper AS TempTTN, p.CarTemperFact AS TempFact, \r\n";
    sql += "  p.CarName, p.Prihod, p.TTNDATA, p.TTNNUM, c.NAME AS SUPPLIER, c.INN";
    if (drain_point) sql += ", p.NAMESLIV";
    sql += " \r\n";
    sql += "FROM \r\n";
    sql += "Prx p\r\n";
    sql += "LEFT JOIN SmSilo s ON s.SmNum = p.SmNum AND s.SiloName = p.SiloName\r\n";
    sql += "LEFT JOIN PRXSILO ps ON p.OPNUM=ps.OPNUM\r\n";
    sql += "LEFT JOIN CONTRAGENT c ON p.CONTR_ID=c.CONTR_ID\r\n";
    sql += "WHERE (p.\"DATE\" between :BegData and :EndData) AND p.Prihod IN (:P1, :P2)\r\n";
    sql += "ORDER BY p.SmNum, p.OpNum";
  } else {
    sql +=
        "SELECT Prx.SmNum, Prx.OpNum, Prx.BegTime,\r\n  Prx.EndTime, Prx.Prim AS NNum, \r\n  "
        "CAST(Prx.GSMName AS VARCHAR(";
    sql += width;
    sql += ")) AS GSMName, s.SiloNum+1 AS SiloNum, \r\n";
    sql +=
        "  Prx.CarVolTTN AS VolumeTTN, Prx.FACT1 AS VolumeFact, Prx.CarVolFact AS VolumeCar, "
        "\r\n";
    sql +=
        "  Prx.CarVolTTN*Prx.UdVes AS MassTTN, Prx.FACT1 * Prx.FactPlotn AS MassFact, "
        "Prx.CarVolFact * Prx.CarUdVesFact AS MassCar, \r\n";
    sql += "  Prx.UdVes AS DenTTN, Prx.FactPlotn AS DenFact, Prx.CarUdVesFact AS DenCar, \r\n";
    sql += "  Prx.Temper AS TempTTN, Prx.CarTemperFact AS TempFact, \r\n";
    sql += "  Prx.CarName, Prx.Prihod";
    if (drain_point) sql += ", prx.NAMESLIV";
    sql += " \r\n";
    sql += "FROM \r\n";
    sql += "Prx\r\n";
    sql += "LEFT JOIN SmSilo s ON s.SmNum = Prx.SmNum AND s.SiloName = Prx.SiloName\r\n";
    sql += "WHERE (Prx.\"DATE\" between :BegData and :EndData) AND Prx.Prihod IN (:P1, :P2)\r\n";
    sql += "ORDER BY Prx.SmNum, Prx.OpNum";
  }
  return sql;
}

std::string CashReceiptsSql(int fuel_name_width, std::string_view shift_column) {
  std::string sql = "SELECT ";
  sql += shift_column.empty() ? "sm.SmNum" : shift_column;
  sql += ", b.DATA, CAST(b.GSM AS VARCHAR(";
  sql += std::to_string(fuel_name_width);
  sql += ")) AS GSMNAME, ";
  sql +=
      "  b.KOLVO AS LITER, b.PRICE AS GSMPRICE, b.SUMMA, b.VIDOPL, b.CLIENT AS NKKM, "
      "b.INDEXSALE\r\n";
  sql += "FROM\r\n";
  sql += "BCheck b\r\n";
  if (shift_column.empty())
    sql += "LEFT JOIN SMLOG sm ON b.DATA BETWEEN sm.BEGTIME AND sm.ENDTIME\r\n";
  sql += "WHERE b.DATA BETWEEN :BegData AND :EndData ORDER BY 2";
  return sql;
}

std::string QuotedSqlString(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

std::string SaleDiscountsSql(TDateTime begin, TDateTime end) {
  std::string sql =
      "SELECT ltd.INDEXSALE, CAST(ltd.DSCNAME AS VARCHAR(20)) AS DSCNAME, ltd.DSCTYPE, "
      "CAST(ltd.DSCPARAM AS VARCHAR(25)) AS DSCPARAM, ltd.DSCVAL, ltd.DSCVALTYPE\r\nFROM LOGTRAN "
      "lt\r\nJOIN LOGTRANDSC ltd ON ltd.INDEXSALE = lt.INDEXSALE\r\nWHERE lt.DATA BETWEEN ";
  sql += QuotedSqlString(FormatSqlDateTime(true, begin));
  sql += " AND ";
  sql += QuotedSqlString(FormatSqlDateTime(true, end));
  return sql;
}

}  // namespace kvr::reports
