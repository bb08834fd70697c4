#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/exceptions.h"
#include "platform/system_error.h"
#include "support/temp_dir.h"

namespace kvr::platform {

class WholeFileTest : public ::testing::Test {
 protected:
  test::TempDir scratch_{"kvr-fs"};
  std::string dir_ = scratch_.path();
};

TEST_F(WholeFileTest, PiecesAreWrittenInOrderAcrossManyBatches) {
  // More pieces than one writev takes, empty ones among them, and one large piece.
  std::vector<std::string> owned;
  for (int i = 0; i < 5000; ++i) owned.push_back(i % 7 == 0 ? "" : std::to_string(i) + ";");
  owned.push_back(std::string(3 << 20, 'x'));
  std::vector<std::string_view> pieces(owned.begin(), owned.end());
  std::string expected;
  for (const auto& p : owned) expected += p;

  const std::string path = dir_ + "/out.bin";
  WriteWholeFile(path, "old content that is longer than nothing");
  WriteWholeFile(path, pieces);
  EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST_F(WholeFileTest, AFileThatCannotBeCreatedNamesItsPath) {
  const std::string path = dir_ + "/missing/out.bin";
  try {
    WriteWholeFile(path, "data");
    FAIL() << "no error";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(e.Message(),
              "Cannot create file \"" + path + "\". The system cannot find the path specified");
  }
}

TEST_F(WholeFileTest, ForceDirectoriesReportsAFileInTheWay) {
  WriteWholeFile(dir_ + "/file", "x");
  EXPECT_FALSE(ForceDirectories(dir_ + "/file"));
  EXPECT_EQ(GetLastError(), kErrorAlreadyExists);
  EXPECT_FALSE(ForceDirectories(dir_ + "/file/below"));
  EXPECT_EQ(GetLastError(), kErrorPathNotFound);
  EXPECT_TRUE(ForceDirectories(dir_ + "/a/b/c"));
  EXPECT_TRUE(DirectoryExists(dir_ + "/a/b/c"));
}

}  // namespace kvr::platform
