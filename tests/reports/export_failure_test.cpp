// Failures inside the exports reach the host as the export's context, " -> ", the message and
// the class marker once; the old file is gone and no new one is written; the dispatch logs
// the failure with the report's character code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

std::string U(const std::string& cp1251) { return codepage::Cp1251ToUtf8(cp1251); }

int Occurrences(const std::string& text, const std::string& part) {
  int count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class ExportFailureTest : public ExportFixture {
 protected:
  std::string LogText() const {
    const std::string log = Root() + "/C/MOLT/LogFiles/Reports.log";
    return platform::FileExists(log) ? U(platform::ReadWholeFile(log)) : "";
  }
  void PutOldFile(const std::string& name) {
    platform::ForceDirectories(ExportFile(""));
    platform::WriteWholeFile(ExportFile(name), "the export of an earlier run");
  }
};

TEST_F(ExportFailureTest, AMissingTableFailsEachExportWithItsContext) {
  UseStation(StationVariant::kMinimal);
  UseOffice();
  Sql(Station(),
      "DROP TABLE LOGTRAN; DROP TABLE SMSILO; DROP TABLE SMTRK; DROP TABLE LSILO; "
      "DROP TABLE PRX; DROP TABLE BCHECK; DROP TABLE LOGTRANDSC; COMMIT;");
  Sql(OfficeDatabase(), "DROP TABLE DSCCARDS; COMMIT;");
  struct Case {
    char code;
    std::vector<host_param> params;
    const char* file;
    const char* context;
  };
  const Case cases[] = {
      {'0', {Date(DataBegin()), Date(DataEnd()), Int(0), Int(0)}, "SaleLog.dbf", "ОтчетПоОтливам"},
      {'6', {Int(5), Int(3)}, "RezEnd.dbf", "ОстаткиВРезервуарах"},
      {'8', {Int(3), Int(1), Int(2)}, "ExportTRKInfo.dbf", "#ERROR# ExportTRKInfo"},
      {'1', {Date(DataBegin()), Date(DataEnd())}, "RezLog.dbf", "ЭкспортЖурналаПоРезервуарам"},
      {'2', {Date(DataBegin()), Date(DataEnd())}, "PrxLog.dbf", "ЭкспортПриходовТоплива"},
      {'8', {Int(2)}, "AllDscCardExport.dbf", "ЭкспортОперацийПоДисконтнымКартам"},
      {'8', {Int(4), Date(DataBegin()), Date(DataEnd())}, "ExportBCheck.dbf", "ЭкспортЧековГСМ"},
      {'8',
       {Int(5), Date(DataBegin()), Date(DataEnd())},
       "ExportRsxDsc.dbf",
       "ЭкспортСкидокДляОтливов"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.context);
    PutOldFile(c.file);
    const ReportResult r = Run(c.code, c.params);
    EXPECT_TRUE(r.result);  // an export failure is reported, not refused
    const std::string text = U(r.text);
    const std::string head = "Ошибка при формировании отчета: " + std::string(c.context) + " -> ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_NE(text.find("Table unknown"), std::string::npos) << text;
    EXPECT_TRUE(EndsWith(text, " <# EIBInterBaseError #>")) << text;
    EXPECT_EQ(Occurrences(text, " <# "), 1) << text;
    EXPECT_FALSE(platform::FileExists(ExportFile(c.file))) << "old file left or new one written";
    const std::string logged = "Ошибка формирования отчета №" + std::to_string(int{c.code}) + ": " +
                               text.substr(std::string("Ошибка при формировании отчета: ").size());
    EXPECT_NE(LogText().find(logged), std::string::npos) << logged;
  }
}

TEST_F(ExportFailureTest, AFailureInsideTheCopyStepNamesBothContexts) {
  UseStation(StationVariant::kFull);
  // A fuel name longer than the fuel-name width: the server refuses the cast while the rows
  // are fetched, after the first rows were copied.
  Sql(Station(),
      "INSERT INTO BCHECK (ID, DATA, GSM, KOLVO, PRICE, SUMMA, VIDOPL) VALUES "
      "(30, '2024-03-04 06:00:00', 'Дизельное топливо зимнее кл.2', 10, 70, 700, 1); "
      "COMMIT;");
  PutOldFile("ExportBCheck.dbf");
  const ReportResult r = Run('8', {Int(4), Date(DataBegin()), Date(DataEnd())});
  EXPECT_TRUE(r.result);
  const std::string text = U(r.text);
  const std::string head = "Ошибка при формировании отчета: ЭкспортЧековГСМ -> CopyDataSet -> ";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
  EXPECT_NE(text.find("truncation"), std::string::npos) << text;
  EXPECT_EQ(Occurrences(text, " <# "), 1) << text;
  EXPECT_TRUE(EndsWith(text, " <# EIBInterBaseError #>")) << text;
  EXPECT_FALSE(platform::FileExists(ExportFile("ExportBCheck.dbf")));
}

TEST_F(ExportFailureTest, AMissingShopDatabaseFailsTheSaleLogAfterItsFuelRows) {
  UseStation(StationVariant::kMinimal);
  PutOldFile("SaleLog.dbf");
  const ReportResult r =
      Run('0', {Date(DataBegin()), Date(DataEnd()), Int(0), Int(0), Text("D:\\NOSHOP\\")});
  EXPECT_TRUE(r.result);
  const std::string text = U(r.text);
  const std::string head = "Ошибка при формировании отчета: ОтчетПоОтливам -> ";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
  EXPECT_NE(text.find("NOSHOP.FDB"), std::string::npos) << text;
  EXPECT_TRUE(EndsWith(text, " <# EIBInterBaseError #>")) << text;
  EXPECT_FALSE(platform::FileExists(ExportFile("SaleLog.dbf")));
}

TEST_F(ExportFailureTest, AnOldFileThatCannotBeDeletedStopsTheExport) {
  UseStation(StationVariant::kMinimal);
  struct Case {
    char code;
    std::vector<host_param> params;
    const char* file;
    const char* expected_head;
  };
  const Case cases[] = {
      {'6',
       {Int(5), Int(3)},
       "RezEnd.dbf",
       "ОстаткиВРезервуарах -> Возникла ошибка при попытке удаления временного файла \""},
      {'8',
       {Int(3), Int(1), Int(2)},
       "ExportTRKInfo.dbf",
       "#ERROR# ExportTRKInfo -> Не удалось удалить старый экспортный файл \""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // A directory under the file's name cannot be deleted as a file.
    platform::ForceDirectories(ExportFile(c.file) + "/inside");
    const ReportResult r = Run(c.code, c.params);
    EXPECT_TRUE(r.result);
    const std::string text = U(r.text);
    const std::string head = "Ошибка при формировании отчета: " + std::string(c.expected_head);
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_NE(text.find(c.file), std::string::npos) << text;
    EXPECT_TRUE(EndsWith(text, " <# Exception #>")) << text;
    EXPECT_TRUE(platform::DirectoryExists(ExportFile(c.file)));
  }
}

}  // namespace
}  // namespace kvr::test
