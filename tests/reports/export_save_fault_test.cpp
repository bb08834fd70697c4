// An export whose file cannot be put on the disk (the sync before the rename fails, as on a
// failing device): the export fails with its context and the system's text, and nothing is
// left under the export's name or beside it.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "common/exceptions.h"
#include "common/text.h"
#include "dbf/mem_dbf_table.h"
#include "platform/file_system.h"
#include "platform/system_error.h"
#include "reports/export_conventions.h"
#include "support/failing_file_calls.h"
#include "support/temp_dir.h"

namespace kvr {
namespace {

namespace fs = std::filesystem;
using namespace kvr::literals;

TEST(ExportSaveFault, AFailingSyncFailsTheExportAndLeavesNoFile) {
  test::TempDir root("kvr-export-sync");
  ::setenv("KVR_ROOT", root.path().c_str(), 1);
  const fs::path directory = fs::path(root.path()) / "C/MOLT/EXPORT";
  fs::create_directories(directory);
  platform::WriteWholeFile((directory / "PrxLog.dbf").string(), "the export of an earlier run");
  const std::string context("ЭкспортПриходовТоплива"_w);
  std::string message = "<no error>";
  {
    test::FailingFileCalls faults(test::FailingFileCalls::Call::kSync, directory.string(),
                                  platform::kErrorGenFailure);
    try {
      reports::RunExport({"PrxLog.dbf", context, reports::DeleteMessage::kTemporaryFile},
                         [](TMemDBFTable& table) {
                           table.FieldDefs().Add("GSMName", FieldType::String, 20);
                           table.CreateTable();
                           table.Open();
                           table.Append();
                           table.FieldByName("GSMName").SetAsString("АИ-92"_w);
                           table.Post();
                         });
    } catch (const Exception& e) {
      message = e.Message();
    }
    EXPECT_EQ(faults.failures(), 1);
  }
  ::unsetenv("KVR_ROOT");
  EXPECT_EQ(message, context + " -> Cannot write file \"" + (directory / "PrxLog.dbf").string() +
                         "\". " + platform::SysErrorMessage(platform::kErrorGenFailure) +
                         " <# EFCreateError #>");
  EXPECT_TRUE(fs::is_empty(directory)) << "a file was left in the export directory";
}

}  // namespace
}  // namespace kvr
