// The components through a private Firebird server over TCP ("127.0.0.1/<port>:<path>"):
// authentication, values over the wire, and servers that are gone.
#include <gtest/gtest.h>

#include <chrono>

#include "common/text.h"
#include "firebird/firebird_test_util.h"
#include "support/firebird_fixture.h"

namespace kvr {
namespace {

using namespace kvr::literals;
using test::MakeDatabase;
using test::MakeQuery;

class IBTcpTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir("ibtcp");
    // Files of their own: the server must be the only engine that opens them.
    station_ = test::CreateStationDatabase(dir_->path(), test::StationVariant::kMinimal);
    types_ = dir_->File("TYPES.FDB");
    test::CreateDatabaseFromScripts(types_, {"column_types.sql"});
    server_ = new test::FirebirdServer();
  }
  static void TearDownTestSuite() {
    delete server_;
    delete dir_;
  }

  static test::TempDir* dir_;
  static test::FirebirdServer* server_;
  static std::string station_;
  static std::string types_;
};

test::TempDir* IBTcpTest::dir_ = nullptr;
test::FirebirdServer* IBTcpTest::server_ = nullptr;
std::string IBTcpTest::station_;
std::string IBTcpTest::types_;

TEST_F(IBTcpTest, ReadsTypedValuesThroughTheServer) {
  auto db = MakeDatabase(server_->DatabaseName(types_), server_->password());
  db->Open();
  auto q = MakeQuery(*db, "SELECT * FROM COLUMN_TYPES WHERE ID IN (:A, :A + 2) ORDER BY ID");
  q->ParamByName("A").SetAsInteger(1);
  q->Open();
  EXPECT_EQ(q->FieldByName("C_NUM184").AsFloat(), 12345678901234.5678);
  EXPECT_EQ(q->FieldByName("C_STAMP").AsDateTime(), EncodeDateTime(2024, 3, 1, 9, 40, 17, 250));
  EXPECT_EQ(q->FieldByName("C_VARCHAR").AsString(), "Дизельное топливо \"Евро\""_w);
  EXPECT_EQ(q->FieldByName("C_MEMO").AsString(), "Первая строка\nвторая строка: ёлка"_w);
  EXPECT_EQ(FieldTypeCode(q->FieldByName("C_BIG").DataType()), 25);
  q->Next();
  EXPECT_EQ(q->FieldByName("ID").AsInteger(), 3);
  EXPECT_EQ(q->FieldByName("C_STAMP").AsDateTime(), EncodeDateTime(1899, 12, 29, 12, 0, 0, 1));
  q->Next();
  EXPECT_TRUE(q->Eof());
}

TEST_F(IBTcpTest, DateParametersSelectTheSameRowsAsEmbedded) {
  auto db = MakeDatabase(server_->DatabaseName(station_), server_->password());
  db->Open();
  auto q = MakeQuery(*db,
                     "SELECT sm.SmNum, b.DATA FROM BCheck b LEFT JOIN SMLOG sm ON b.DATA BETWEEN "
                     "sm.BEGTIME AND sm.ENDTIME WHERE b.DATA BETWEEN :BegData AND :EndData ORDER BY 2");
  q->ParamByName("BegData").SetAsDateTime(EncodeDateTime(2024, 2, 29, 0, 0, 0, 0));
  q->ParamByName("EndData").SetAsDateTime(EncodeDateTime(2024, 3, 1, 9, 0, 0, 0));
  q->Open();
  std::vector<std::string> shifts;
  for (; !q->Eof(); q->Next())
    shifts.push_back(q->FieldByName("SMNUM").IsNull() ? "-" : q->FieldByName("SMNUM").AsString());
  // Two receipts before the first shift, then the two prints of sale 1001 in shift 1.
  EXPECT_EQ(shifts, (std::vector<std::string>{"-", "-", "1", "1"}));
}

TEST_F(IBTcpTest, WrongPasswordEndsInFirebirdsMessage) {
  auto db = MakeDatabase(server_->DatabaseName(station_), "wrong-password");
  try {
    db->Open();
    FAIL() << "connected with a wrong password";
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("Your user name and password are not defined"), std::string::npos)
        << e.Message();
  }
  EXPECT_FALSE(db->Connected());
}

TEST_F(IBTcpTest, MissingFileOnTheServerEndsInFirebirdsMessage) {
  auto db = MakeDatabase(server_->DatabaseName(dir_->File("NOWHERE.FDB")), server_->password());
  try {
    db->Open();
    FAIL() << "connected to a missing file";
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("NOWHERE.FDB"), std::string::npos) << e.Message();
  }
}

TEST(IBTcpServerGone, StoppedServerFailsFastWithAnError) {
  test::TempDir dir("ibgone");
  const std::string path = dir.File("GONE.FDB");
  test::CreateDatabaseFromScripts(path, {});
  test::FirebirdServer server;
  auto db = MakeDatabase(server.DatabaseName(path), server.password());
  db->Open();
  auto q = MakeQuery(*db, "SELECT COUNT(*) FROM RDB$RELATIONS");
  q->Open();
  EXPECT_GT(q->Fields(0).AsInteger(), 10);
  q->Close();
  server.Kill();

  const auto start = std::chrono::steady_clock::now();
  // The open connection is broken: the next query fails, closing still frees everything.
  EXPECT_THROW(q->Open(), EDatabaseError);
  try {
    db->Close();
  } catch (const EIBInterBaseError&) {
    // A broken connection may report its detach; it is released either way.
  }
  EXPECT_FALSE(db->Connected());
  // A new connection to the stopped server is refused.
  auto again = MakeDatabase(server.DatabaseName(path), server.password());
  try {
    again->Open();
    FAIL() << "connected to a stopped server";
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("Unable to complete network request"), std::string::npos)
        << e.Message();
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace kvr
