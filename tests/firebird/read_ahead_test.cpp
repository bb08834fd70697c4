// A dataset reading ahead on its own thread gives what reading on demand gives: the same rows
// in the same order, the same error at the same row, blobs read between the rows, and a
// cursor that can be closed, re-read or have its connection closed in the middle.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "firebird/firebird_test_util.h"
#include "firebird/ib_dataset.h"
#include "support/firebird_fixture.h"

namespace kvr {
namespace {

using test::MakeDatabase;
using test::MakeQuery;

constexpr int kRows = 5000;

class ReadAheadTest : public ::testing::TestWithParam<bool> {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir("readahead");
    path_ = dir_->File("ROWS.FDB");
    test::CreateDatabaseFromScripts(path_, {});
    test::RunSql(path_,
                 "CREATE TABLE N (I INTEGER NOT NULL PRIMARY KEY, T VARCHAR(40), "
                 "B BLOB SUB_TYPE TEXT);\n"
                 "COMMIT;\n"
                 "SET TERM ^;\n"
                 "EXECUTE BLOCK AS DECLARE i INTEGER = 1; BEGIN\n"
                 "  WHILE (i <= " +
                     std::to_string(kRows) +
                     ") DO BEGIN\n"
                     "    INSERT INTO N VALUES (:i, 'row ' || :i, 'blob ' || :i);\n"
                     "    i = i + 1;\n"
                     "  END\n"
                     "END^\n"
                     "SET TERM ;^\n"
                     "COMMIT;\n");
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    db_ = MakeDatabase(path_);
    db_->Open();
  }
  std::unique_ptr<TIBDataSet> Query(const std::string& sql) {
    auto q = MakeQuery(*db_, sql);
    q->SetReadAhead(GetParam());
    return q;
  }

  static test::TempDir* dir_;
  static std::string path_;
  std::unique_ptr<TIBDatabase> db_;
};

test::TempDir* ReadAheadTest::dir_ = nullptr;
std::string ReadAheadTest::path_;

TEST_P(ReadAheadTest, EveryRowInOrderWithItsBlob) {
  auto q = Query("SELECT I, T, B FROM N ORDER BY I");
  q->Open();
  int expected = 0;
  for (; !q->Eof(); q->Next()) {
    ++expected;
    ASSERT_EQ(q->Fields(0).AsInteger(), expected);
    ASSERT_EQ(q->Fields(1).AsString(), "row " + std::to_string(expected));
    // The blob is read on this thread while the next rows are being fetched.
    if (expected % 97 == 0) {
      ASSERT_EQ(q->Fields(2).AsString(), "blob " + std::to_string(expected));
    }
  }
  EXPECT_EQ(expected, kRows);
  EXPECT_EQ(q->RecordCount(), kRows);

  // Small rows, many blocks of them: the count comes out exact.
  auto many = Query("SELECT FIRST 200000 a.I FROM N a CROSS JOIN N b");
  many->Open();
  int rows = 0;
  for (; !many->Eof(); many->Next()) ++rows;
  EXPECT_EQ(rows, 200000);
}

TEST_P(ReadAheadTest, AFailingRowRaisesAfterTheRowsBeforeIt) {
  // The conversion fails when row 3000 is fetched (the rows come in the key's order).
  auto q = Query(
      "SELECT I, CAST(CASE WHEN I = 3000 THEN 'x' ELSE T END AS VARCHAR(40)) AS T, "
      "CAST(CASE WHEN I = 3000 THEN 'x' ELSE I END AS INTEGER) AS V FROM N ORDER BY I");
  q->Open();
  int rows = 0;
  std::string message;
  try {
    for (; !q->Eof(); q->Next()) ASSERT_EQ(q->Fields(0).AsInteger(), ++rows);
    FAIL() << "read every row";
  } catch (const EIBInterBaseError& e) {
    message = e.Message();
  }
  EXPECT_EQ(rows, 2999);
  EXPECT_NE(message.find("conversion error"), std::string::npos) << message;
  // Reading on raises again instead of making up an end.
  EXPECT_THROW(q->Next(), EIBInterBaseError);
}

TEST_P(ReadAheadTest, MovingBackReadsTheSameRowsAgain) {
  auto q = Query("SELECT I FROM N ORDER BY I");
  q->Open();
  for (int i = 0; i < 1000; ++i) q->Next();
  EXPECT_EQ(q->Fields(0).AsInteger(), 1001);
  q->SetRecNo(500);  // behind the cursor: read again from the start
  EXPECT_EQ(q->Fields(0).AsInteger(), 500);
  q->Next();
  EXPECT_EQ(q->Fields(0).AsInteger(), 501);
  q->First();
  EXPECT_EQ(q->Fields(0).AsInteger(), 1);
  int rows = 0;
  for (; !q->Eof(); q->Next()) ++rows;
  EXPECT_EQ(rows, kRows);
}

TEST_P(ReadAheadTest, ClosingInTheMiddleStopsAndReopeningStartsOver) {
  auto q = Query("SELECT a.I, b.I FROM N a CROSS JOIN N b");  // 25 million rows
  for (int round = 0; round < 3; ++round) {
    q->Open();
    for (int i = 0; i < 300; ++i) q->Next();
    EXPECT_FALSE(q->Eof());
    q->Close();  // does not wait for the rest
  }
  auto count = Query("SELECT I FROM N");
  count->Open();
  int rows = 0;
  for (; !count->Eof(); count->Next()) ++rows;
  EXPECT_EQ(rows, kRows);
  // The connection closes under a dataset that is reading ahead.
  q->Open();
  for (int i = 0; i < 300; ++i) q->Next();
  db_->Close();
  EXPECT_FALSE(q->Active());
  db_->Open();
  q->Open();  // the dataset works on the new connection
  for (int i = 0; i < 300; ++i) q->Next();
  EXPECT_FALSE(q->Eof());
}

INSTANTIATE_TEST_SUITE_P(Reading, ReadAheadTest, ::testing::Values(true, false),
                         [](const auto& test) { return test.param ? "Ahead" : "OnDemand"; });

}  // namespace
}  // namespace kvr
