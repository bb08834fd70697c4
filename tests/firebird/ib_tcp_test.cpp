// The components through a private Firebird server over TCP ("127.0.0.1/<port>:<path>"):
// authentication, values over the wire, and servers that are gone.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

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
  auto q =
      MakeQuery(*db,
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

// A server that stops answering (its process stopped: the kernel keeps the connection open)
// must not hold a call for longer than the time-outs allow.
class IBStalledServer : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = dir_.File("STALL.FDB");
    test::CreateDatabaseFromScripts(path_, {});
  }
  std::unique_ptr<TIBDatabase> Database(int connect_timeout, int read_timeout) {
    auto db = MakeDatabase(server_.DatabaseName(path_), server_.password());
    db->Params().SetValues("connect_timeout", std::to_string(connect_timeout));
    db->Params().SetValues("read_timeout", std::to_string(read_timeout));
    return db;
  }
  static double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
  }
  // Many more rows than the client fetches ahead in one packet.
  static constexpr const char* kManyRows =
      "SELECT a.RDB$RELATION_NAME, b.RDB$RELATION_NAME FROM RDB$RELATIONS a, RDB$RELATIONS b, "
      "RDB$RELATIONS c";

  test::TempDir dir_{"ibstall"};
  std::string path_;
  test::FirebirdServer server_;
};

TEST_F(IBStalledServer, ConnectingEndsAfterTheConnectTimeout) {
  auto db = Database(2, 2);
  server_.Pause();
  const auto start = std::chrono::steady_clock::now();
  try {
    db->Open();
    FAIL() << "connected to a stopped server";
  } catch (const EIBInterBaseError& e) {
    // Firebird's text when the server does not answer the connect request in time.
    EXPECT_NE(e.Message().find("connection rejected by remote interface"), std::string::npos)
        << e.Message();
  }
  const double took = Seconds(start);
  EXPECT_GE(took, 1.5);
  EXPECT_LT(took, 8.0);
  EXPECT_FALSE(db->Connected());
}

TEST_F(IBStalledServer, ReadingEndsAfterTheReadTimeout) {
  auto db = Database(30, 2);
  db->Open();
  auto q = MakeQuery(*db, kManyRows);
  q->Open();
  ASSERT_FALSE(q->Eof());
  server_.Pause();
  const auto start = std::chrono::steady_clock::now();
  int rows = 0;
  try {
    for (; !q->Eof() && rows < 1000000; q->Next()) ++rows;
    FAIL() << "read " << rows << " rows from a stopped server";
  } catch (const EIBInterBaseError& e) {
    // The client's own text for the connection it cut.
    EXPECT_NE(e.Message().find("Error reading data from the connection"), std::string::npos)
        << e.Message();
  }
  const double took = Seconds(start);
  EXPECT_GE(took, 1.5);
  EXPECT_LT(took, 8.0);
  // Closing a cut connection neither hangs nor leaves it open.
  const auto closing = std::chrono::steady_clock::now();
  try {
    db->Close();
  } catch (const EIBInterBaseError&) {
    // A broken connection may report its detach; it is released either way.
  }
  EXPECT_FALSE(db->Connected());
  EXPECT_LT(Seconds(closing), 5.0);
  server_.Resume();
  // The server itself is fine afterwards: a new connection reads again.
  auto again = Database(30, 2);
  again->Open();
  auto count = MakeQuery(*again, "SELECT COUNT(*) FROM RDB$RELATIONS");
  count->Open();
  EXPECT_GT(count->Fields(0).AsInteger(), 10);
}

TEST_F(IBStalledServer, ASlowButAnsweringServerIsNotCut) {
  auto db = Database(30, 2);
  db->Open();
  auto q = MakeQuery(*db, kManyRows);
  q->Open();
  // The server stops for 1 s in every 1.5 s while the rows are read: single calls wait up to
  // about a second, the whole read takes longer than the time-out.
  std::atomic<bool> done{false};
  std::thread stutter([&] {
    while (!done) {
      server_.Pause();
      std::this_thread::sleep_for(std::chrono::milliseconds(1000));
      server_.Resume();
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
  });
  const auto start = std::chrono::steady_clock::now();
  int rows = 0;
  try {
    for (; !q->Eof() && Seconds(start) < 5.0; q->Next())
      if (++rows % 2000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  } catch (...) {
    done = true;
    stutter.join();
    throw;
  }
  done = true;
  stutter.join();
  EXPECT_GT(Seconds(start), 4.5);  // three stops of the server, each shorter than the limit
  EXPECT_GT(rows, 10000);
  db->Close();
}

TEST_F(IBStalledServer, ReadTimeoutMustBeANumber) {
  auto db = MakeDatabase(server_.DatabaseName(path_), server_.password());
  db->Params().SetValues("read_timeout", "soon");
  EXPECT_THROW(db->Open(), EIBClientError);
  EXPECT_FALSE(db->Connected());
}

}  // namespace
}  // namespace kvr
