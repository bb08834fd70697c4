// The export directory "C:\MOLT\EXPORT\" is made by the dispatch before any export runs; when it
// cannot be made, the report fails with the directory's message, logged like any export failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"

namespace kvr::test {
namespace {

class ExportDirectoryTest : public ExportFixture {};

TEST_F(ExportDirectoryTest, ADirectoryThatCannotBeMadeFailsTheReportWithItsMessage) {
  UseStation(StationVariant::kMinimal);
  const std::string log_path = Root() + "/C/MOLT/LogFiles/Reports.log";
  const std::size_t log_mark =
      platform::FileExists(log_path) ? platform::ReadWholeFile(log_path).size() : 0;
  const std::string export_dir = ExportFile("");
  std::filesystem::remove_all(export_dir);
  platform::WriteWholeFile(export_dir.substr(0, export_dir.size() - 1), "a file, not a directory");

  const ReportResult r = Run('8', {Int(1), Int(0), Int(0), Date(DataBegin()), Date(DataEnd())});
  std::filesystem::remove(export_dir.substr(0, export_dir.size() - 1));

  EXPECT_TRUE(r.result) << "a failure inside the dispatch keeps the result true";
  const std::string expected = "Не удалось создать каталог \"" + export_dir +
                               "\": Cannot create a file when that file already exists";
  EXPECT_EQ(codepage::Cp1251ToUtf8(r.text), "Ошибка при формировании отчета: " + expected);
  const std::string log = platform::ReadWholeFile(log_path).substr(log_mark);
  EXPECT_NE(codepage::Cp1251ToUtf8(log).find(
                "[ошиб] [KVRExportCreator9] Ошибка формирования отчета №56: " + expected + "\r\n"),
            std::string::npos)
      << codepage::Cp1251ToUtf8(log);
}

}  // namespace
}  // namespace kvr::test
