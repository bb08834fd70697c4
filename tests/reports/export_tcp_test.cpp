// Every export once through a private Firebird server: the helper library hands the library
// the server's port and password (CORVANE_FB_PORT, CORVANE_FB_PASSWORD), so the station, office
// and shop connections all go over TCP as "127.0.0.1/<port>:<file>".
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "export_harness.h"

namespace kvr::test {
namespace {

using ExportTcpTest = ExportFixture;

TEST_F(ExportTcpTest, EveryExportRunsThroughTheServer) {
  UseStation(StationVariant::kFull);
  UseOffice();
  UseShop();
  FirebirdServer server;
  ASSERT_NE(server.port(), 0);
  ::setenv("CORVANE_FB_PORT", std::to_string(server.port()).c_str(), 1);
  ::setenv("CORVANE_FB_PASSWORD", server.password().c_str(), 1);

  struct Case {
    char code;
    std::vector<host_param> params;
    const char* file;
    const char* text;  // handed back
    std::size_t records;
  };
  const Case cases[] = {
      {'0',
       {Date(DataBegin()), Date(DataEnd()), Int(0), Int(0), Text(ShopDirectory())},
       "SaleLog.dbf",
       "",
       33},
      {'1', {Date(DataBegin()), Date(DataEnd())}, "RezLog.dbf", "", 19},
      {'2', {Date(DataBegin()), Date(DataEnd())}, "PrxLog.dbf", "", 6},
      {'6', {Int(5), Int(3)}, "RezEnd.dbf", "", 12},
      {'8', {Int(2)}, "AllDscCardExport.dbf", "AllDscCardExport.dbf", 4},
      {'8', {Int(3), Int(1), Int(6)}, "ExportTRKInfo.dbf", "ExportTRKInfo.dbf", 24},
      {'8',
       {Int(4), Date(DataBegin()), Date(DataEnd())},
       "ExportBCheck.dbf",
       "ExportBCheck.dbf",
       22},
      {'8',
       {Int(5), Date(DataBegin()), Date(DataEnd())},
       "ExportRsxDsc.dbf",
       "ExportRsxDsc.dbf",
       4},
      // The payment types come from the host, not a database; the call still connects.
      {'8',
       {Int(1), Int(0), Int(0), Date(DataBegin()), Date(DataEnd())},
       "ExportVidOpl.dbf",
       "ExportVidOpl.dbf",
       13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RunOk(c.code, c.params, c.text);
    EXPECT_EQ(ReadDbf(ExportFile(c.file)).rows.size(), c.records);
  }

  // The connections really are the server's: with a wrong password none is made.
  ::setenv("CORVANE_FB_PASSWORD", "not-the-password", 1);
  const ReportResult refused = Run('6', {Int(5), Int(3)});
  EXPECT_FALSE(refused.result);
  const std::string text = codepage::Cp1251ToUtf8(refused.text);
  const std::string head = "Ошибка при формировании экспортного отчета: ";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
}

}  // namespace
}  // namespace kvr::test
