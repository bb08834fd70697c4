// Writing a table's file while the table fills (BackgroundFileSave, RecordWriteAhead through
// TMemDBFTable::WriteAheadTo): the file is the one a save at the end writes, whatever happens
// to the records meanwhile; nothing is left behind when the early file is given up; and a
// failed early write is only repeated by the save.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>

#include "dbf/background_save.h"
#include "dbf/file_save.h"
#include "dbf/mem_dbf_table.h"
#include "platform/system_error.h"
#include "support/failing_file_calls.h"
#include "support/temp_dir.h"

namespace kvr {
namespace {

using Call = test::FailingFileCalls::Call;
namespace fs = std::filesystem;

using test::NamesIn;
constexpr auto ReadText = test::ReadFileText;

// Files of this process open in `dir`.
int OpenFilesIn(const std::string& dir) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error && target.string().rfind(dir + "/", 0) == 0) ++count;
  }
  return count;
}

// Temporary files of a save in `dir`.
int TemporaryFilesIn(const std::string& dir) {
  const std::vector<std::string> names = NamesIn(dir);
  return static_cast<int>(std::count_if(names.begin(), names.end(), IsTemporarySaveName));
}

// The early file: open in `dir` and there under a temporary name of the save.
void ExpectEarlyFiles(const std::string& dir, int count) {
  EXPECT_EQ(OpenFilesIn(dir), count) << "files open";
  EXPECT_EQ(TemporaryFilesIn(dir), count) << "temporary names";
}

// ---- BackgroundFileSave

TEST(BackgroundFileSaveTest, WritesThePiecesInOrderWithTheHeadAtTheStart) {
  struct Case {
    const char* name;
    std::size_t head, total;
  } cases[] = {
      {"less than a block", 33, 100'000},
      {"exactly one block with the head", 65, (4 << 20) - 65},
      {"several blocks and a bit", 1089, (13 << 20) + 777},
  };
  std::mt19937 random(7);
  for (bool bypass : {true, false}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (bypass ? ", bypassing the cache" : ", cached"));
      test::TempDir dir("kvr-background-save");
      const std::string path = dir.File("Export.dbf");
      std::string content(c.total, '\0');
      for (char& ch : content) ch = static_cast<char>(random());
      const std::string head(c.head, 'H');
      {
        BackgroundFileSave save(path, c.head, bypass);
        ASSERT_FALSE(save.Failed());
        std::size_t at = 0;
        while (at < content.size() * 9 / 10) {  // pieces of odd sizes, a few per batch
          BackgroundFileSave::Batch batch;
          for (int i = 0; i < 3 && at < content.size(); ++i) {
            const std::size_t n =
                std::min<std::size_t>(random() % 300'000 + 1, content.size() - at);
            batch.pieces.emplace_back(content.data() + at, n);
            at += n;
          }
          save.Append(std::move(batch));
        }
        EXPECT_EQ(NamesIn(dir.path()).size(), 1u);
        EXPECT_EQ(TemporaryFilesIn(dir.path()), 1) << "a temporary name before Commit";
        const std::string_view tail[] = {std::string_view(content).substr(at)};
        ASSERT_TRUE(save.Commit(head, tail));
      }
      EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{"Export.dbf"});
      EXPECT_TRUE(ReadText(path) == head + content) << "the file differs";
    }
  }
}

TEST(BackgroundFileSaveTest, GivingUpOrAFailedWriteLeavesNothing) {
  for (bool bypass : {true, false}) {
    SCOPED_TRACE(bypass ? "bypassing the cache" : "cached");
    const std::string data(6 << 20, 'r');
    {  // dropped without Commit
      test::TempDir dir("kvr-background-save");
      {
        BackgroundFileSave save(dir.File("Export.dbf"), 10, bypass);
        save.Append({{data}, {}});
      }
      EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{});
      ExpectEarlyFiles(dir.path(), 0);
    }
    {  // the disk fills while the content is written
      test::TempDir dir("kvr-background-save");
      test::FailingFileCalls faults(Call::kWrite, dir.path(), platform::kErrorDiskFull, 1);
      BackgroundFileSave save(dir.File("Export.dbf"), 10, bypass);
      save.Append({{data}, {}});
      save.Append({{data}, {}});
      const std::string_view tail[] = {"end"};
      EXPECT_FALSE(save.Commit(std::string(10, 'H'), tail));
      EXPECT_TRUE(save.Failed());
      EXPECT_EQ(faults.failures(), 1);
      EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{});
    }
  }
}

// ---- a table written while it fills

constexpr int kRecords = 100'000;  // about 11 MB: the early file takes a few batches

void FillTable(TMemDBFTable& table) {
  table.FieldDefs().Add("NUM", FieldType::Integer);
  table.FieldDefs().Add("NAME", FieldType::String, 100);
  table.CreateTable();
  table.Open();
  TField& num = table.FieldByName("NUM");
  TField& name = table.FieldByName("NAME");
  for (int i = 0; i < kRecords; ++i) {
    table.Append();
    num.SetAsInteger(i);
    name.SetAsString("record " + std::to_string(i));
    table.Post();
  }
}

struct Scenario {
  const char* name;
  std::function<void(TMemDBFTable&)> change;  // after filling, before saving
  bool early_file_kept;                       // still open when the save begins
};

const Scenario kScenarios[] = {
    {"records only appended", [](TMemDBFTable&) {}, true},
    {"an early record edited",
     [](TMemDBFTable& t) {
       t.SetRecNo(6);
       t.Edit();
       t.FieldByName("NAME").SetAsString("changed");
       t.Post();
     },
     false},
    {"an early record deleted, packed on save",
     [](TMemDBFTable& t) {
       t.SetPackOnSave(true);
       t.SetRecNo(11);
       t.Delete();
     },
     false},
    {"a record inserted at the front",
     [](TMemDBFTable& t) {
       t.First();
       t.Insert();
       t.FieldByName("NUM").SetAsInteger(-1);
       t.Post();
     },
     false},
    {"the last record edited",
     [](TMemDBFTable& t) {
       t.Last();
       t.Edit();
       t.FieldByName("NAME").SetAsString("last");
       t.Post();
     },
     true},
};

TEST(WriteAheadTest, TheFileIsTheOneASaveAtTheEndWrites) {
  for (const Scenario& s : kScenarios) {
    SCOPED_TRACE(s.name);
    test::TempDir dir("kvr-write-ahead");
    const std::string early = dir.File("Early.dbf"), whole = dir.File("Whole.dbf");
    TMemDBFTable reference;
    FillTable(reference);
    s.change(reference);
    reference.SaveToFile(whole);

    TMemDBFTable table;
    table.WriteAheadTo(early);
    FillTable(table);
    ExpectEarlyFiles(dir.path(), 1);
    s.change(table);
    ExpectEarlyFiles(dir.path(), s.early_file_kept ? 1 : 0);
    table.SaveToFile(early);
    ExpectEarlyFiles(dir.path(), 0);
    EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"Early.dbf", "Whole.dbf"}));
    EXPECT_TRUE(ReadText(early) == ReadText(whole)) << "the files differ";
  }
}

TEST(WriteAheadTest, ASaveUnderAnotherNameOrNoSaveLeavesNoEarlyFile) {
  test::TempDir dir("kvr-write-ahead");
  {
    TMemDBFTable table;
    table.WriteAheadTo(dir.File("Early.dbf"));
    FillTable(table);
    table.SaveToFile(dir.File("Other.dbf"));
    ExpectEarlyFiles(dir.path(), 0);
    EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{"Other.dbf"});
    EXPECT_EQ(table.RecordCount(), kRecords);
  }
  {
    TMemDBFTable table;
    table.WriteAheadTo(dir.File("Early.dbf"));
    FillTable(table);
    ExpectEarlyFiles(dir.path(), 1);
  }
  ExpectEarlyFiles(dir.path(), 0);
  EXPECT_EQ(NamesIn(dir.path()), std::vector<std::string>{"Other.dbf"});
}

TEST(WriteAheadTest, AFailedEarlyWriteIsLeftToTheSave) {
  test::TempDir dir("kvr-write-ahead");
  const std::string name = dir.File("SaleLog.dbf");
  TMemDBFTable reference;
  FillTable(reference);
  reference.SaveToFile(dir.File("Whole.dbf"));
  // One failure: the save writes the whole file and succeeds. (A lasting one fails the save
  // at the end as without writing ahead: file_save_test and the exports' full-disk test.)
  TMemDBFTable table;
  table.WriteAheadTo(name);
  {
    test::FailingFileCalls faults(Call::kWrite, dir.path(), platform::kErrorDiskFull, 1);
    FillTable(table);
    table.SaveToFile(name);
    EXPECT_EQ(faults.failures(), 1);
  }
  EXPECT_TRUE(ReadText(name) == ReadText(dir.File("Whole.dbf")));
}

}  // namespace
}  // namespace kvr
