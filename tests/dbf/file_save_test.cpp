// Whole-file saves: written aside, renamed into place, the temporary file gone on every path;
// and the exclusive create underneath, which never opens what someone planted under its name.
#include "dbf/file_save.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "dbf/mem_dbf_table.h"
#include "dbf_test_support.h"
#include "platform/new_file.h"
#include "platform/system_error.h"
#include "support/error_of.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

void Save(const std::string& path, std::initializer_list<std::string_view> pieces) {
  std::vector<std::string_view> list(pieces);
  SaveFileWhole(path, list);
}

TEST(FileSave, WritesThePiecesUnderTheFinalNameAndLeavesNothingElse) {
  ScratchDir dir;
  Save(dir.File("SaleLog.dbf"), {"head", "", "records", "\x1A"});
  EXPECT_EQ(ReadBytes(dir.File("SaleLog.dbf")), "headrecords\x1A");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"SaleLog.dbf"});
}

TEST(FileSave, ReplacesAnExistingFileInOneStep) {
  ScratchDir dir;
  WriteBytes(dir.File("a.dbf"), "the old file, longer than the new one");
  const std::string other = dir.File("other-link");
  fs::create_hard_link(dir.File("a.dbf"), other);
  Save(dir.File("a.dbf"), {"new"});
  EXPECT_EQ(ReadBytes(dir.File("a.dbf")), "new");
  // A new file took the name: the old one was never opened for writing.
  EXPECT_EQ(ReadBytes(other), "the old file, longer than the new one");
}

TEST(FileSave, AMissingDirectoryFailsWithTheFinalName) {
  ScratchDir dir;
  const std::string path = dir.File("missing/a.dbf");
  const std::string error = ErrorOf([&] { Save(path, {"x"}); });
  EXPECT_EQ(error.rfind("Cannot create file \"" + path + "\". ", 0), 0u) << error;
  EXPECT_EQ(platform::GetLastError(), platform::kErrorPathNotFound);
  EXPECT_TRUE(Names(dir.Path()).empty());
}

TEST(FileSave, AFullDiskRemovesTheTemporaryFileAndKeepsTheOldOne) {
  ScratchDir dir;
  WriteBytes(dir.File("a.dbf"), "old");
  // The file size limit stands for a full disk: writes past it fail with EFBIG.
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGXFSZ, &ignore, &previous), 0);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string big(100000, 'r');
  const std::string error = ErrorOf([&] { Save(dir.File("a.dbf"), {"head", big}); });
  ::setrlimit(RLIMIT_FSIZE, &saved);
  ::sigaction(SIGXFSZ, &previous, nullptr);
  EXPECT_EQ(error.rfind("Cannot write file \"" + dir.File("a.dbf") + "\". ", 0), 0u) << error;
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"a.dbf"}) << "temporary file left";
  EXPECT_EQ(ReadBytes(dir.File("a.dbf")), "old");
}

TEST(FileSave, TemporaryNames) {
  struct Case {
    const char* name;
    bool temporary;
  } cases[] = {
      {"SaleLog.dbf.1234-1.tmp", true},
      {"x.77-12.tmp", true},
      {"SaleLog.dbf", false},
      {"SaleLog.dbf.tmp", false},
      {"a.12-.tmp", false},
      {"a.-3.tmp", false},
      {"a.1x-2.tmp", false},
      {"a.1-2.TMP", false},
      {".tmp", false},
      {"a.1-2.tmp.dbf", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsTemporarySaveName(c.name), c.temporary) << c.name;
}

TEST(FileSave, TheTableSaveGoesThroughATemporaryFile) {
  ScratchDir dir;
  TMemDBFTable table;
  table.FieldDefs().Add("N", FieldType::String, 4);
  table.CreateTable();
  table.Open();
  table.Append();
  table.FieldByName("N").SetAsString("abc");
  table.Post();
  fs::create_directory(dir.File("sub"));
  table.SaveToFile(dir.File("sub/t.dbf"));
  EXPECT_EQ(Names(dir.File("sub")), std::vector<std::string>{"t.dbf"});
  TMemDBFTable back;
  back.SetFileName(dir.File("sub/t.dbf"));
  back.Open();
  EXPECT_EQ(back.RecordCount(), 1);
  EXPECT_EQ(back.FieldByName("N").AsString(), "abc");
}

// ---- the exclusive create

TEST(NewFile, NeverOpensWhatStandsUnderItsName) {
  ScratchDir dir;
  WriteBytes(dir.File("target"), "precious");
  ::chmod(dir.File("target").c_str(), 0600);
  fs::create_symlink(dir.File("target"), dir.File("link"));
  fs::create_symlink(dir.File("nowhere"), dir.File("dangling"));
  WriteBytes(dir.File("planted"), "planted");
  ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0666), 0);
  for (const char* name : {"link", "dangling", "planted", "fifo", "target"}) {
    SCOPED_TRACE(name);
    platform::NewFile file;
    EXPECT_FALSE(file.Create(dir.File(name)));
    EXPECT_EQ(platform::GetLastError(), platform::kErrorFileExists);
  }
  EXPECT_FALSE(fs::exists(dir.File("nowhere"))) << "created through a dangling link";
  EXPECT_EQ(ReadBytes(dir.File("target")), "precious");
  EXPECT_EQ(fs::status(dir.File("target")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadBytes(dir.File("planted")), "planted");
}

TEST(NewFile, CreatesWritesSyncsAndCloses) {
  ScratchDir dir;
  platform::NewFile file;
  ASSERT_TRUE(file.Create(dir.File("n")));
  EXPECT_EQ(file.NativePath(), dir.File("n"));
  const std::string_view pieces[] = {"one ", "two"};
  EXPECT_TRUE(file.Write(pieces));
  EXPECT_TRUE(file.Write(pieces));
  EXPECT_TRUE(file.Sync());
  EXPECT_TRUE(file.Close());
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(file.Write(pieces));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorInvalidHandle);
  EXPECT_EQ(ReadBytes(dir.File("n")), "one twoone two");
}

TEST(NewFile, ReplaceByRename) {
  ScratchDir dir;
  WriteBytes(dir.File("from"), "new");
  WriteBytes(dir.File("to"), "old");
  EXPECT_TRUE(platform::ReplaceFileByRename(dir.File("from"), dir.File("to")));
  EXPECT_EQ(ReadBytes(dir.File("to")), "new");
  EXPECT_FALSE(fs::exists(dir.File("from")));
  EXPECT_FALSE(platform::ReplaceFileByRename(dir.File("from"), dir.File("to")));
  EXPECT_EQ(platform::GetLastError(), platform::kErrorFileNotFound);
}

}  // namespace
}  // namespace kvr::test
