// Saving a DBF table when a sync, a close or a rename fails: the error ends in the system's text,
// and no half-written file is left, under the table's name or any other. (A failed write, a full
// disk, is the file save's: file_save_test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/exceptions.h"
#include "dbf/mem_dbf_table.h"
#include "platform/system_error.h"
#include "support/failing_file_calls.h"
#include "support/temp_dir.h"

namespace kvr {
namespace {

using Call = test::FailingFileCalls::Call;
namespace fs = std::filesystem;

constexpr auto ReadText = test::ReadFileText;

TEST(TableSaveFault, FailedSaveEndsInTheSystemTextAndLeavesNoPartialFile) {
  struct Case {
    Call call;
    std::uint32_t error;
    bool backup;  // a rename happens while saving with a backup
  } cases[] = {
      {Call::kSync, platform::kErrorGenFailure, false},
      {Call::kClose, platform::kErrorGenFailure, false},
      {Call::kRename, platform::kErrorAccessDenied, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.call));
    test::TempDir dir("kvr-save-fault");
    const std::string name = dir.File("SaleLog.dbf");
    std::ofstream(name, std::ios::binary) << "old export";
    TMemDBFTable table;
    table.FieldDefs().Add("Name", FieldType::String, 20);
    table.CreateTable();
    table.Open();
    table.SetMakeBackup(c.backup);
    for (int i = 0; i < 1'000; ++i) {
      table.Append();
      table.FieldByName("Name").SetAsString("row " + std::to_string(i));
      table.Post();
    }
    std::string message = "<no error>";
    {
      test::FailingFileCalls faults(c.call, dir.path(), c.error);
      try {
        table.SaveToFile(name);
      } catch (const Exception& e) {
        message = e.Message();
      }
      EXPECT_GT(faults.failures(), 0);
    }
    const std::string system_text = platform::SysErrorMessage(c.error);
    ASSERT_GE(message.size(), system_text.size());
    EXPECT_EQ(message.substr(message.size() - system_text.size()), system_text) << message;
    // Only the old export may remain, untouched; nothing else is in the directory.
    for (const auto& entry : fs::directory_iterator(dir.path())) {
      EXPECT_EQ(entry.path(), fs::path(name)) << "left behind: " << entry.path().string();
      EXPECT_EQ(ReadText(name), "old export");
    }
  }
}

}  // namespace
}  // namespace kvr
