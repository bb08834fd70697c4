#include "firebird/ib_dataset.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "common/text.h"
#include "firebird/firebird_test_util.h"
#include "support/firebird_fixture.h"

namespace kvr {
namespace {

using namespace kvr::literals;
using test::MakeDatabase;
using test::MakeQuery;

class IBDataSetTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir("ibdataset");
    station_ = test::CreateStationDatabase(dir_->path(), test::StationVariant::kFull);
    types_ = dir_->File("TYPES.FDB");
    test::CreateDatabaseFromScripts(types_, {"column_types.sql"});
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    db_ = MakeDatabase(station_);
    db_->Open();
  }

  static test::TempDir* dir_;
  static std::string station_;
  static std::string types_;
  std::unique_ptr<TIBDatabase> db_;
};

test::TempDir* IBDataSetTest::dir_ = nullptr;
std::string IBDataSetTest::station_;
std::string IBDataSetTest::types_;

struct ColumnExpectation {
  const char* name;
  FieldType type;
  int size;
  int precision;
};

TEST_F(IBDataSetTest, FieldDefinitionsFollowTheColumnTypes) {
  auto db = MakeDatabase(types_);
  db->Open();
  auto q = MakeQuery(*db, "SELECT * FROM COLUMN_TYPES ORDER BY ID");
  q->Open();
  const ColumnExpectation expected[] = {
      {"ID", FieldType::Integer, 0, 0},        {"C_SMALL", FieldType::Smallint, 0, 0},
      {"C_INT", FieldType::Integer, 0, 0},     {"C_BIG", FieldType::Largeint, 0, 0},
      {"C_FLOAT", FieldType::Float, 0, 0},     {"C_DOUBLE", FieldType::Float, 0, 0},
      {"C_NUM42", FieldType::BCD, 0, 2},       {"C_NUM93", FieldType::BCD, 0, 3},
      {"C_NUM184", FieldType::BCD, 0, 4},      {"C_DEC152", FieldType::BCD, 0, 2},
      {"C_DATE", FieldType::Date, 0, 0},       {"C_TIME", FieldType::Time, 0, 0},
      {"C_STAMP", FieldType::DateTime, 0, 0},  {"C_CHAR", FieldType::String, 8, 0},
      {"C_VARCHAR", FieldType::String, 25, 0}, {"C_MEMO", FieldType::Memo, 0, 0},
      {"C_BLOB", FieldType::Blob, 0, 0},       {"C_BOOL", FieldType::Boolean, 0, 0},
  };
  ASSERT_EQ(q->FieldDefs().Count(), static_cast<int>(std::size(expected)));
  for (int i = 0; i < q->FieldDefs().Count(); ++i) {
    const TFieldDef& def = q->FieldDefs()[i];
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(def.Name(), expected[i].name);
    EXPECT_EQ(FieldTypeCode(def.DataType()), FieldTypeCode(expected[i].type));
    EXPECT_EQ(def.Size(), expected[i].size);
    EXPECT_EQ(def.Precision(), expected[i].precision);
  }
  EXPECT_TRUE(q->FieldDefs()[0].Required());
  EXPECT_FALSE(q->FieldDefs()[1].Required());
}

TEST_F(IBDataSetTest, ValuesDecodeExactly) {
  auto db = MakeDatabase(types_);
  db->Open();
  auto q = MakeQuery(*db, "SELECT * FROM COLUMN_TYPES ORDER BY ID");
  q->Open();
  // Row 1: ordinary values.
  EXPECT_EQ(q->FieldByName("C_SMALL").AsInteger(), -32768);
  EXPECT_EQ(q->FieldByName("C_INT").AsInteger(), 2147483647);
  EXPECT_EQ(q->FieldByName("C_BIG").AsLargeInt(), 9223372036854775807LL);
  EXPECT_EQ(q->FieldByName("C_FLOAT").AsFloat(), 1.5);
  EXPECT_EQ(q->FieldByName("C_DOUBLE").AsFloat(), 0.745312345678);
  EXPECT_EQ(q->FieldByName("C_NUM42").AsFloat(), -12.34);
  EXPECT_EQ(q->FieldByName("C_NUM93").AsFloat(), 123456.789);
  EXPECT_EQ(q->FieldByName("C_NUM184").AsFloat(), 12345678901234.5678);
  EXPECT_EQ(q->FieldByName("C_DEC152").AsFloat(), -0.05);
  EXPECT_EQ(q->FieldByName("C_DATE").AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(q->FieldByName("C_TIME").AsDateTime(), EncodeTime(23, 59, 59, 999));
  EXPECT_EQ(q->FieldByName("C_STAMP").AsDateTime(), EncodeDateTime(2024, 3, 1, 9, 40, 17, 250));
  EXPECT_EQ(q->FieldByName("C_CHAR").AsString(), "АИ-92"_w);  // CHAR loses trailing blanks
  EXPECT_EQ(q->FieldByName("C_VARCHAR").AsString(), "Дизельное топливо \"Евро\""_w);
  EXPECT_EQ(q->FieldByName("C_MEMO").AsString(), "Первая строка\nвторая строка: ёлка"_w);
  EXPECT_EQ(q->FieldByName("C_BLOB").AsString(), std::string("\x00\xFF\x10", 3));
  EXPECT_TRUE(q->FieldByName("C_BOOL").AsBoolean());
  for (int i = 0; i < q->FieldCount(); ++i) EXPECT_FALSE(q->Fields(i).IsNull()) << i;

  // Row 2: every column but the key is null.
  q->Next();
  EXPECT_EQ(q->FieldByName("ID").AsInteger(), 2);
  for (int i = 1; i < q->FieldCount(); ++i) {
    EXPECT_TRUE(q->Fields(i).IsNull()) << q->Fields(i).FieldName();
    EXPECT_TRUE(q->Fields(i).AsVariant().IsNull());
  }

  // Row 3: the other ends of the ranges, dates before TDateTime's day 0.
  q->Next();
  EXPECT_EQ(q->FieldByName("C_SMALL").AsInteger(), 32767);
  EXPECT_EQ(q->FieldByName("C_INT").AsInteger(), -2147483647 - 1);
  EXPECT_EQ(q->FieldByName("C_BIG").AsLargeInt(), INT64_MIN);
  EXPECT_EQ(q->FieldByName("C_DOUBLE").AsFloat(), -1e300);
  EXPECT_EQ(q->FieldByName("C_NUM42").AsFloat(), 99.99);
  EXPECT_EQ(q->FieldByName("C_NUM93").AsFloat(), -999999.999);
  EXPECT_EQ(q->FieldByName("C_DEC152").AsFloat(), 9999999999999.99);
  EXPECT_EQ(q->FieldByName("C_DATE").AsDateTime(), EncodeDate(1858, 11, 17));
  EXPECT_EQ(q->FieldByName("C_TIME").AsDateTime(), 0.0);
  EXPECT_EQ(q->FieldByName("C_STAMP").AsDateTime(), EncodeDateTime(1899, 12, 29, 12, 0, 0, 1));
  EXPECT_EQ(q->FieldByName("C_CHAR").AsString(), "");
  EXPECT_FALSE(q->FieldByName("C_CHAR").IsNull());
  EXPECT_EQ(q->FieldByName("C_VARCHAR").AsString(), "a'b:c");
  EXPECT_EQ(q->FieldByName("C_BLOB").AsString(), "");
  EXPECT_FALSE(q->FieldByName("C_BOOL").AsBoolean());
  q->Next();
  EXPECT_TRUE(q->Eof());
}

TEST_F(IBDataSetTest, AliasesNameFieldsAndRepeatsGetSuffixes) {
  auto q = MakeQuery(*db_,
                     "SELECT sm.BEGTIME AS BegTime, sm.SmNum, sm.SmNum, sm.SmNum * 2, "
                     "CAST(sm.OPERATOR AS VARCHAR(30)) AS Operator FROM SMLOG sm ORDER BY 2");
  q->Open();
  std::vector<std::string> names;
  for (const TFieldDef& def : q->FieldDefs()) names.push_back(def.Name());
  EXPECT_EQ(names,
            (std::vector<std::string>{"BEGTIME", "SMNUM", "SMNUM_1", "MULTIPLY", "OPERATOR"}));
  EXPECT_EQ(q->FieldByName("Operator").Size(), 30);
  EXPECT_EQ(q->FieldByName("MULTIPLY").AsInteger(), 2);
}

TEST_F(IBDataSetTest, ParametersAreSetByNameAndMayRepeat) {
  auto q = MakeQuery(*db_,
                     "SELECT lt.INDEXSALE, 'a:b' AS TXT FROM LOGTRAN lt\r\n"
                     "WHERE (lt.Data BETWEEN :BegData and :EndData) -- :Ignored\r\n"
                     "  AND (lt.INDEXSALE = :Sale OR lt.INDEXSALE = :Sale + 1)\r\nORDER BY 1");
  EXPECT_EQ(q->ParamCount(), 3);
  q->ParamByName("begdata").SetAsDateTime(EncodeDateTime(2024, 3, 1, 8, 0, 0, 0));
  q->ParamByName("EndData").SetAsDateTime(EncodeDateTime(2024, 3, 1, 9, 40, 17, 250));
  q->ParamByName("Sale").SetAsInteger(1001);
  q->Open();
  ASSERT_FALSE(q->Eof());
  EXPECT_EQ(q->Fields(0).AsInteger(), 1001);
  EXPECT_EQ(q->FieldByName("TXT").AsString(), "a:b");
  q->Next();
  ASSERT_FALSE(q->Eof());
  EXPECT_EQ(q->Fields(0).AsInteger(), 1002);  // stamped exactly at the end: bounds inclusive
  q->Next();
  EXPECT_TRUE(q->Eof());

  // A changed value takes effect at the next open; an unset (null) parameter matches nothing.
  q->Close();
  q->ParamByName("EndData").SetAsDateTime(EncodeDateTime(2024, 3, 1, 9, 40, 17, 249));
  q->Open();
  EXPECT_EQ(q->RecordCount(), 1);
  q->Close();
  q->ParamByName("Sale").Clear();
  q->Open();
  EXPECT_TRUE(q->IsEmpty());

  EXPECT_THROW(q->ParamByName("Ignored"), EDatabaseError);
  try {
    q->ParamByName("Nope");
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Parameter 'Nope' not found");
  }
}

TEST_F(IBDataSetTest, IntegerParameterServesSmallintAndNumericColumns) {
  auto q =
      MakeQuery(*db_, "SELECT COUNT(*) FROM PRX WHERE Prihod IN (:P1, :P2) AND CARVOLTTN > :V");
  q->ParamByName("P1").SetAsInteger(1);
  q->ParamByName("P2").SetAsInteger(0);
  q->ParamByName("V").SetAsInteger(500);
  q->Open();
  EXPECT_EQ(q->Fields(0).AsInteger(), 4);
}

TEST_F(IBDataSetTest, NavigatesForwardBackAndByBookmark) {
  auto q = MakeQuery(*db_, "SELECT SMNUM FROM SMLOG ORDER BY SMNUM");
  q->Open();
  EXPECT_TRUE(q->Bof());
  EXPECT_EQ(q->RecNo(), 1);
  std::vector<int> seen;
  while (!q->Eof()) {
    seen.push_back(q->Fields(0).AsInteger());
    q->Next();
  }
  EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(q->RecordCount(), 6);
  q->First();
  EXPECT_EQ(q->Fields(0).AsInteger(), 1);
  q->Next();
  q->Next();
  TBookmark third = q->GetBookmark();
  q->Last();
  EXPECT_EQ(q->Fields(0).AsInteger(), 6);
  EXPECT_TRUE(q->Eof());
  q->Prior();
  EXPECT_EQ(q->Fields(0).AsInteger(), 5);
  q->GotoBookmark(third);
  EXPECT_EQ(q->Fields(0).AsInteger(), 3);
  EXPECT_EQ(q->RecNo(), 3);
  q->Next();
  EXPECT_EQ(q->Fields(0).AsInteger(), 4);
  q->SetRecNo(2);
  EXPECT_EQ(q->Fields(0).AsInteger(), 2);
  q->First();
  q->Prior();
  EXPECT_TRUE(q->Bof());
  EXPECT_EQ(q->Fields(0).AsInteger(), 1);
  EXPECT_THROW(q->Edit(), EDatabaseError);
}

TEST_F(IBDataSetTest, LocateScansTheRows) {
  auto q = MakeQuery(*db_, "SELECT INDEXSALE, POKUPATEL FROM LOGTRAN ORDER BY INDEXSALE");
  q->Open();
  ASSERT_TRUE(q->Locate("POKUPATEL", Variant(std::string("Возврат"_w))));
  EXPECT_EQ(q->FieldByName("INDEXSALE").AsInteger(), 1006);
}

TEST_F(IBDataSetTest, EmptyResultAndProbeQueries) {
  auto q = MakeQuery(*db_, "SELECT * FROM PRX WHERE OpNum = 0");
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
  EXPECT_TRUE(q->Eof());
  EXPECT_NE(q->FindField("CONTR_ID"), nullptr);
  EXPECT_NE(q->FindField("namesliv"), nullptr);
  EXPECT_EQ(q->FindField("NO_SUCH"), nullptr);
  q->Close();
  q->SelectSQL().Clear();
  q->SelectSQL().Add("SELECT FIRST 1 * FROM LOGTRAN");
  q->Open();
  EXPECT_NE(q->FindField("TRKDENSITY"), nullptr);
  EXPECT_EQ(q->RecordCount(), 1);
}

TEST_F(IBDataSetTest, ServerErrorsCarryFirebirdsMessage) {
  auto q = MakeQuery(*db_, "SELECT * FROM NO_SUCH_TABLE");
  try {
    q->Open();
    FAIL() << "opened";
  } catch (const EIBInterBaseError& e) {
    EXPECT_STREQ(e.ClassName(), "EIBInterBaseError");
    EXPECT_NE(e.Message().find("Table unknown"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("NO_SUCH_TABLE"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(q->Active());

  const char* bad_texts[] = {"",
                             "   \r\n",
                             "SELEKT 1",
                             "SELECT 'unterminated",
                             "SELECT 1 FROM RDB$DATABASE WHERE 1 = :P /* open",
                             "DELETE FROM LOGTRAN",
                             "SELECT CAST('x' AS INTEGER) FROM RDB$DATABASE"};
  for (const char* text : bad_texts) {
    SCOPED_TRACE(text);
    auto bad = MakeQuery(*db_, text);
    try {
      bad->Open();
      ADD_FAILURE() << "opened";
    } catch (const EDatabaseError& e) {
      EXPECT_FALSE(e.Message().empty());
    }
    EXPECT_FALSE(bad->Active());
  }
  // Nothing was deleted by the refused statement.
  auto count = MakeQuery(*db_, "SELECT COUNT(*) FROM LOGTRAN");
  count->Open();
  EXPECT_EQ(count->Fields(0).AsInteger(), 31);
}

TEST_F(IBDataSetTest, ConnectionErrorsCarryFirebirdsMessage) {
  auto missing = MakeDatabase(dir_->File("NO_SUCH.FDB"));
  try {
    missing->Open();
    FAIL() << "connected";
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("I/O error"), std::string::npos) << e.Message();
    EXPECT_NE(e.Message().find("NO_SUCH.FDB"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(missing->Connected());

  auto nameless = MakeDatabase("");
  EXPECT_THROW(nameless->Open(), EIBClientError);
  auto odd = MakeDatabase(station_);
  odd->Params().Add("no_such_option=1");
  try {
    odd->Open();
  } catch (const EIBClientError& e) {
    EXPECT_EQ(e.Message(), "Unknown database parameter \"no_such_option\"");
  }
  auto unconnected = MakeDatabase(station_);
  auto q = MakeQuery(*unconnected, "SELECT 1 FROM RDB$DATABASE");
  EXPECT_THROW(q->Open(), EIBClientError);
}

TEST_F(IBDataSetTest, ClosingTheDatabaseClosesItsDatasets) {
  auto q = MakeQuery(*db_, "SELECT SMNUM FROM SMLOG");
  q->Open();
  ASSERT_TRUE(db_->DefaultTransaction()->InTransaction());
  db_->Close();
  EXPECT_FALSE(q->Active());
  EXPECT_FALSE(db_->DefaultTransaction()->InTransaction());
  db_->Open();
  q->Open();
  EXPECT_EQ(q->Fields(0).AsInteger(), 1);
  // The database goes first: the dataset forgets it and can still be freed.
  db_.reset();
  EXPECT_FALSE(q->Active());
  EXPECT_EQ(q->Database(), nullptr);
  EXPECT_THROW(q->Open(), EIBClientError);
}

TEST_F(IBDataSetTest, CommitClosesCursorsAndDatasetsRestartTheTransaction) {
  auto q = MakeQuery(*db_, "SELECT SMNUM FROM SMLOG");
  q->Open();
  db_->DefaultTransaction()->Commit();
  EXPECT_FALSE(q->Active());
  q->Open();
  EXPECT_TRUE(db_->DefaultTransaction()->InTransaction());
}

int OpenFileCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++n;
  return n;
}

TEST_F(IBDataSetTest, FailuresLeakNoHandles) {
  // Warm up the engine's own files first.
  {
    auto db = MakeDatabase(station_);
    db->Open();
  }
  const int files_before = OpenFileCount();
  for (int i = 0; i < 100; ++i) {
    auto bad = MakeQuery(
        *db_, i % 2 ? "SELECT * FROM NO_SUCH_TABLE" : "SELECT CAST('x' AS INTEGER) FROM SMLOG");
    EXPECT_THROW(bad->Open(), EDatabaseError);
    auto missing = MakeDatabase(dir_->File("NO_SUCH.FDB"));
    EXPECT_THROW(missing->Open(), EIBInterBaseError);
    auto good = MakeDatabase(station_);
    good->Open();
    auto q = MakeQuery(*good, "SELECT * FROM LOGTRAN");
    q->Open();
    q->Next();
  }
  EXPECT_LE(OpenFileCount(), files_before + 2);
  // The server side: this connection holds only the statement counting its statements.
  auto monitor =
      MakeQuery(*db_,
                "SELECT (SELECT COUNT(*) FROM MON$STATEMENTS s WHERE s.MON$ATTACHMENT_ID "
                "= CURRENT_CONNECTION), (SELECT COUNT(*) FROM MON$ATTACHMENTS a WHERE "
                "a.MON$SYSTEM_FLAG = 0) FROM RDB$DATABASE");
  monitor->Open();
  EXPECT_EQ(monitor->Fields(0).AsInteger(), 1);
  EXPECT_EQ(monitor->Fields(1).AsInteger(), 1);
}

}  // namespace
}  // namespace kvr
