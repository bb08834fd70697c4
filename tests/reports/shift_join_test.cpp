// The three exports that show each row's shift (sale log without shop rows, "1" tank events,
// "8"/4 cash receipts), and the sale log with shop rows beside them: the library's own shift
// lookup against the server's join (KVR_SHIFT_JOIN=server), file for file and byte for byte,
// on shift logs built to trip it, through the embedded engine and a private server.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "export_harness.h"
#include "firebird/ib_dataset.h"
#include "reports/row_shifts.h"
#include "support/temp_dir.h"

namespace kvr::test {
namespace {

// Rows on the edges the cases' shifts have, in all three tables; two of each at one time.
constexpr const char* kEdgeRows =
    "INSERT INTO LOGTRAN (INDEXSALE, DATA, POKUPATEL, VIDOPL, GSMNAME, KODGSM, LITER, GSMPRICE,"
    " BASEPRICE, SUMMA) SELECT 5000 + r.n, r.t, '7001000012345678', 101, 'АИ-92', 92, 10, 50,"
    " 50, 500 FROM (SELECT 1 n, TIMESTAMP '2024-03-01 12:00:00' t FROM RDB$DATABASE UNION ALL"
    " SELECT 2, TIMESTAMP '2024-03-01 12:00:00' FROM RDB$DATABASE UNION ALL"
    " SELECT 3, TIMESTAMP '2024-03-02 00:00:00' FROM RDB$DATABASE UNION ALL"
    " SELECT 4, TIMESTAMP '2024-03-02 08:00:00' FROM RDB$DATABASE UNION ALL"
    " SELECT 5, TIMESTAMP '2024-03-03 08:00:00' FROM RDB$DATABASE UNION ALL"
    " SELECT 6, TIMESTAMP '2024-03-01 20:00:00.0001' FROM RDB$DATABASE) r;"
    "INSERT INTO BCHECK (ID, DATA, GSM, KOLVO, PRICE, SUMMA, VIDOPL)"
    " SELECT 5000 + INDEXSALE, DATA, GSMNAME, 10, 50, 500, 1 FROM LOGTRAN WHERE INDEXSALE > 5000;"
    "INSERT INTO LSILO (NAME, DATA, SILONUM, GSMNAME) SELECT 'Резервуар 1', DATA + INDEXSALE"
    " / 5006 * 0, 0, 'АИ-92' FROM LOGTRAN WHERE INDEXSALE > 5000 AND INDEXSALE <> 5002;"
    "COMMIT;";

struct ShiftLog {
  const char* name;
  const char* sql;  // UTF-8, run on the test station before the exports
  bool library;     // the library finds the shifts (else the join is sent)
};

const ShiftLog kShiftLogs[] = {
    {"the test station's shifts", "", true},
    {"overlaps stored out of number order, gaps, edges, null and reversed times",
     "ALTER TABLE SMLOG ALTER COLUMN BEGTIME DROP NOT NULL;"
     "COMMIT;"
     "DELETE FROM SMLOG;"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (9, '2024-03-01 08:00', '2024-03-02 "
     "08:00');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (3, '2024-03-01 07:30', '2024-03-01 "
     "12:00');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (1, '2024-03-01 12:00', '2024-03-01 "
     "20:00');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (4, '2024-03-02 20:00', NULL);"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (5, NULL, '2024-03-03 10:00');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (6, '2024-03-03 12:00', '2024-03-03 "
     "11:00');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (2, '2024-03-03 08:00', '2024-03-03 "
     "08:00');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (7, '2024-03-03 08:00', '2024-03-04 "
     "23:00');"
     "COMMIT;",
     true},
    {"DATE-typed shift times and a SMALLINT number",
     "DROP TABLE SMLOG;"
     "CREATE TABLE SMLOG (SMNUM SMALLINT NOT NULL, BEGTIME DATE, ENDTIME DATE, OPERATOR "
     "VARCHAR(40), OPERATOR2 VARCHAR(40), OPERATOR3 VARCHAR(40));"
     "COMMIT;"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (1, '2024-03-01', '2024-03-02');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (2, '2024-03-02', '2024-03-02');"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (3, '2024-03-03', '2024-03-05');"
     "COMMIT;",
     true},
    {"a BIGINT number, left to the join",
     "DROP TABLE SMLOG;"
     "CREATE TABLE SMLOG (SMNUM BIGINT NOT NULL, BEGTIME TIMESTAMP, ENDTIME TIMESTAMP, OPERATOR "
     "VARCHAR(40), OPERATOR2 VARCHAR(40), OPERATOR3 VARCHAR(40));"
     "COMMIT;"
     "INSERT INTO SMLOG (SMNUM, BEGTIME, ENDTIME) VALUES (1, '2024-03-01', '2024-03-03');"
     "COMMIT;",
     false},
};

struct Export {
  char code;
  bool eight;  // "8"/4: the sub-code comes first
  bool shop;
  const char* file;
};

const Export kExports[] = {
    {'0', false, false, "SaleLog.dbf"},
    {'0', false, true, "SaleLog.dbf"},
    {'1', false, false, "RezLog.dbf"},
    {'8', true, false, "ExportBCheck.dbf"},
};

std::string Hex(const std::string& bytes) {
  std::string hex;
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02X", b);
    hex += digits;
  }
  return hex;
}

// Whether the library reads the shift log of `station` itself (embedded engine).
bool LibraryFindsShifts(const std::string& station) {
  TIBDatabase db;
  db.Params().SetValues("user_name", "SYSDBA");
  db.Params().SetValues("lc_ctype", "WIN1251");
  db.SetDatabaseName(station);
  db.SetLoginPrompt(false);
  TIBTransaction transaction;
  transaction.SetDefaultDatabase(&db);
  db.SetDefaultTransaction(&transaction);
  db.Open();
  TIBDataSet query;
  query.SetDatabase(&db);
  return reports::RowShifts::Load(query) != nullptr;
}

class ShiftJoinTest : public ExportFixture {
 protected:
  void TearDown() override {
    ::unsetenv("KVR_SHIFT_JOIN");
    ExportFixture::TearDown();
  }

  std::string Write(const Export& e, bool server_join) {
    if (server_join)
      ::setenv("KVR_SHIFT_JOIN", "server", 1);
    else
      ::unsetenv("KVR_SHIFT_JOIN");
    std::vector<host_param> params = {Date(DataBegin()), Date(DataEnd())};
    if (e.eight) params.insert(params.begin(), Int(4));
    if (e.code == '0') params.insert(params.end(), {Int(0), Int(0)});
    if (e.shop) params.push_back(Text(ShopDirectory()));
    RunOk(e.code, params, e.eight ? e.file : "");
    return ReadFileText(ExportFile(e.file));
  }

  // Every export both ways on every shift log.
  void CompareOnEveryShiftLog() {
    UseShop();
    AnswerStationName("АЗС №7 Заречье");
    WriteSettings({{"REPORTS", "GSMTbl", "1"},
                   {"REPORTS", "GSMNames2" + Hex(W("АЗС №7 Заречье")), "аи-92=Регуляр-92"}});
    WriteCardFile({{"7001000012345678", "7700000001", "Смирнов А. В. (карта)"}});
    for (const ShiftLog& log : kShiftLogs) {
      SCOPED_TRACE(log.name);
      UseStation(StationVariant::kFull);
      Sql(Station(), kEdgeRows);
      if (*log.sql != '\0') Sql(Station(), log.sql);
      if (::getenv("CORVANE_FB_PORT") == nullptr) {
        EXPECT_EQ(LibraryFindsShifts(Station()), log.library);
        ::setenv("KVR_SHIFT_JOIN", "server", 1);
        EXPECT_FALSE(LibraryFindsShifts(Station()));
        ::unsetenv("KVR_SHIFT_JOIN");
      }
      for (const Export& e : kExports) {
        SCOPED_TRACE(std::string(e.file) + (e.shop ? " with shop rows" : ""));
        const std::string joined = Write(e, true);
        const std::string library = Write(e, false);
        ASSERT_GT(joined.size(), 0u);
        EXPECT_TRUE(library == joined) << "the files differ";
      }
    }
  }
};

TEST_F(ShiftJoinTest, LibraryWritesTheJoinsFilesEmbedded) { CompareOnEveryShiftLog(); }

TEST_F(ShiftJoinTest, LibraryWritesTheJoinsFilesOverTcp) {
  FirebirdServer server;
  ::setenv("CORVANE_FB_PORT", std::to_string(server.port()).c_str(), 1);
  ::setenv("CORVANE_FB_PASSWORD", server.password().c_str(), 1);
  CompareOnEveryShiftLog();
}

}  // namespace
}  // namespace kvr::test
