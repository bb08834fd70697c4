#include "db/database_access.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/exceptions.h"
#include "common/text.h"
#include "db/binding_test_util.h"
#include "db/helper_binding.h"
#include "support/firebird_fixture.h"

namespace kvr::db {
namespace {

using namespace kvr::literals;
using test::ScopedEnv;
using test::ScopedHelper;

std::string Missing(std::string_view function) {
  return "Функция \""_w.data() + std::string(function) +
         std::string("\" в библиотеке \"Corvane.dll\" не найдена!"_w);
}

// Runs `call` and returns the message of the Exception it raises ("" when none).
template <class Call>
std::string PlainErrorOf(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    EXPECT_STREQ(e.ClassName(), "Exception");
    return e.Message();
  }
  return "";
}

class DatabaseAccessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new test::TempDir("dbaccess");
    station_ = test::CreateStationDatabase(dir_->path(), test::StationVariant::kFull);
  }
  static void TearDownTestSuite() { delete dir_; }

  // The export creator's way: password and port from the helper, then create and connect.
  static ComponentPtr<TIBDatabase> OpenStation(const std::string& file) {
    auto database = CreateDatabase(file, GetDBPassword(), GetDBPort(), true, nullptr, kDatabaseUser,
                                   kDatabaseHost, false, "", kDatabaseCharSet);
    ConnectDatabase(*database);
    return database;
  }

  static test::TempDir* dir_;
  static std::string station_;
};

test::TempDir* DatabaseAccessTest::dir_ = nullptr;
std::string DatabaseAccessTest::station_;

TEST(DatabaseConnectName, PortChoosesTheServer) {
  EXPECT_EQ(DatabaseConnectName("/data/GARVEN.FDB", 0, "127.0.0.1"), "/data/GARVEN.FDB");
  EXPECT_EQ(DatabaseConnectName("/data/GARVEN.FDB", 3050, "127.0.0.1"),
            "127.0.0.1/3050:/data/GARVEN.FDB");
  EXPECT_EQ(DatabaseConnectName("/data/GARVEN.FDB", -1, "127.0.0.1"),
            "127.0.0.1/-1:/data/GARVEN.FDB");
  ScopedEnv root("KVR_ROOT", "/srv/station");
  EXPECT_EQ(DatabaseConnectName("C:\\MOLT\\OfficeDB\\OFFICE.FDB", 0, "127.0.0.1"),
            "/srv/station/C/MOLT/OfficeDB/OFFICE.FDB");
  EXPECT_EQ(DatabaseConnectName("C:\\MOLT\\OfficeDB\\OFFICE.FDB", 3051, "127.0.0.1"),
            "127.0.0.1/3051:/srv/station/C/MOLT/OfficeDB/OFFICE.FDB");
}

TEST_F(DatabaseAccessTest, CreateDatabaseSetsTheFixedParameters) {
  ScopedHelper helper(test::kFullHelper);
  TComponent owner;
  ComponentPtr<TIBDatabase> database =
      CreateDatabase("/data/GARVEN.FDB", "secret", 3050, true, &owner, "SYSDBA", "127.0.0.1", false,
                     "dbStation", "WIN1251");
  EXPECT_FALSE(database.owns());  // the owner frees it
  EXPECT_EQ(database->Owner(), &owner);
  EXPECT_EQ(database->Name(), "dbStation");
  EXPECT_EQ(database->Params().Text(),
            "user_name=SYSDBA\r\npassword=secret\r\nlc_ctype=WIN1251\r\n");
  EXPECT_EQ(database->DatabaseName(), "127.0.0.1/3050:/data/GARVEN.FDB");
  EXPECT_FALSE(database->LoginPrompt());
  EXPECT_FALSE(database->Connected());
  TIBTransaction* transaction = database->DefaultTransaction();
  ASSERT_NE(transaction, nullptr);
  EXPECT_EQ(transaction->Name(), "DefTran_RO");
  EXPECT_EQ(transaction->Owner(), database.get());
  EXPECT_EQ(transaction->DefaultDatabase(), database.get());
  EXPECT_EQ(transaction->Params().Text(), "read\r\nread_committed\r\nrec_version\r\nnowait\r\n");

  auto bare = CreateDatabase("/data/GARVEN.FDB", "", 0, false, nullptr, "SYSDBA", "127.0.0.1",
                             false, "", "WIN1251");
  EXPECT_TRUE(bare.owns());
  EXPECT_EQ(bare->DatabaseName(), "/data/GARVEN.FDB");
  EXPECT_EQ(bare->Name(), "");
  EXPECT_EQ(bare->DefaultTransaction(), nullptr);
}

TEST_F(DatabaseAccessTest, ConnectsReadsAndDisconnectsEmbedded) {
  ScopedHelper helper(test::kFullHelper);
  ScopedEnv port("CORVANE_FB_PORT", "0");
  auto database = OpenStation(station_);
  ASSERT_TRUE(database->Connected());
  ComponentPtr<TIBDataSet> query = CreateReadDataSet(*database, true, nullptr, nullptr, "");
  EXPECT_TRUE(query.owns());
  query->SelectSQL().Add("SELECT sm.SmNum, sm.OPERATOR FROM SMLOG sm");
  query->SelectSQL().Add("WHERE sm.SmNum BETWEEN :BegSm AND :EndSm ORDER BY 1");
  query->ParamByName("BegSm").SetAsInteger(2);
  query->ParamByName("EndSm").SetAsInteger(3);
  query->Open();
  EXPECT_EQ(query->FieldByName("OPERATOR").AsString(), "Кузнецов Олег Игоревич"_w);
  query->Next();
  EXPECT_EQ(query->FieldByName("SMNUM").AsInteger(), 3);
  query.reset();
  DisconnectDatabase(*database);
  EXPECT_FALSE(database->Connected());
}

TEST_F(DatabaseAccessTest, ConnectsThroughTheServerOnTheHelpersPort) {
  test::TempDir dir("dbaccess-tcp");
  const std::string file = test::CreateStationDatabase(dir.path(), test::StationVariant::kMinimal);
  test::FirebirdServer server;
  ScopedHelper helper(test::kFullHelper);
  ScopedEnv port("CORVANE_FB_PORT", std::to_string(server.port()));
  ScopedEnv password("CORVANE_FB_PASSWORD", server.password());
  EXPECT_EQ(GetDBPort(), server.port());
  EXPECT_EQ(GetDBPassword(), server.password());
  auto database = OpenStation(file);
  EXPECT_EQ(database->DatabaseName(), server.DatabaseName(file));
  auto query = CreateReadDataSet(*database, true, nullptr, nullptr, "");
  query->SelectSQL().SetText(
      "SELECT COUNT(*) FROM LOGTRAN WHERE Data BETWEEN :BegData and :EndData");
  query->ParamByName("BegData").SetAsDateTime(EncodeDate(2024, 3, 2));
  query->ParamByName("EndData").SetAsDateTime(EncodeDate(2024, 3, 3));
  query->Open();
  EXPECT_GT(query->Fields(0).AsInteger(), 0);
  query.reset();
  DisconnectDatabase(*database);

  ScopedEnv wrong("CORVANE_FB_PASSWORD", "not-the-password");
  try {
    OpenStation(file);
    FAIL() << "connected with a wrong password";
  } catch (const EIBInterBaseError& e) {  // the class survives the trip through the helper
    EXPECT_NE(e.Message().find("Your user name and password are not defined"), std::string::npos);
  }
}

TEST_F(DatabaseAccessTest, HelperSettingsAreCheckedOnEveryCall) {
  ScopedHelper helper(test::kFullHelper);
  {
    ScopedEnv port("CORVANE_FB_PORT", "3050");
    ScopedEnv password("CORVANE_FB_PASSWORD", "Пароль"_w.data());
    EXPECT_EQ(GetDBPort(), 3050);
    EXPECT_EQ(GetDBPassword(), "Пароль"_w);
  }
  for (const char* bad : {"abc", "-1", "65536", "30 50", "3050x"}) {
    ScopedEnv port("CORVANE_FB_PORT", bad);
    EXPECT_EQ(PlainErrorOf([] { GetDBPort(); }),
              std::string("Invalid value of CORVANE_FB_PORT: \"") + bad + "\"");
  }
  unsetenv("CORVANE_FB_PASSWORD");
  EXPECT_EQ(GetDBPassword(), "masterkey");
}

TEST_F(DatabaseAccessTest, FailedConnectFreesTheHalfBuiltDatabase) {
  ScopedHelper helper(test::kFullHelper);
  TComponent owner;
  const std::string missing = dir_->File("MISSING.FDB");
  try {
    CreateDatabase(missing, "", 0, true, &owner, kDatabaseUser, kDatabaseHost, true, "",
                   kDatabaseCharSet);
    FAIL() << "connected to a missing file";
  } catch (const EIBInterBaseError& e) {
    EXPECT_NE(e.Message().find("MISSING.FDB"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST_F(DatabaseAccessTest, HelperWithoutTransactionsOrDatasetsReportsTheMissingFunction) {
  ScopedHelper helper(test::kConnectOnlyHelper);
  TComponent owner;
  EXPECT_EQ(PlainErrorOf([&] {
              CreateDatabase(station_, "", 0, true, &owner, kDatabaseUser, kDatabaseHost, false, "",
                             kDatabaseCharSet);
            }),
            Missing("FBCreateTransaction"));
  EXPECT_EQ(owner.ComponentCount(), 0);  // the half-built database was freed
  auto database = CreateDatabase(station_, "", 0, false, nullptr, kDatabaseUser, kDatabaseHost,
                                 false, "", kDatabaseCharSet);
  EXPECT_EQ(PlainErrorOf([&] { CreateTransaction(*database, true, "DefTran_RO", database.get()); }),
            Missing("FBCreateTransaction"));
  EXPECT_EQ(PlainErrorOf([&] { CreateReadDataSet(*database, true, nullptr, nullptr, ""); }),
            Missing("FBCreateDataSetForRead"));
  EXPECT_EQ(PlainErrorOf([] { GetDBPassword(); }), Missing("GetFBPassword"));
  EXPECT_EQ(PlainErrorOf([] { GetDBPort(); }), Missing("GetFBPort"));
  // Connecting still goes through the helper.
  ConnectDatabase(*database);
  EXPECT_TRUE(database->Connected());
  DisconnectDatabase(*database);
  EXPECT_FALSE(database->Connected());
}

TEST_F(DatabaseAccessTest, DatasetNamesAndOwners) {
  for (const std::string& library : {test::kFullHelper, test::kWithoutRead2Helper}) {
    SCOPED_TRACE(library);
    ScopedHelper helper(library);
    auto database = CreateDatabase(station_, "", 0, true, nullptr, kDatabaseUser, kDatabaseHost,
                                   false, "", kDatabaseCharSet);
    // Without FBCreateDataSetForRead2 this layer names the dataset itself.
    auto named = CreateReadDataSet(*database, true, nullptr, nullptr, "qSaleLog");
    EXPECT_EQ(named->Name(), "qSaleLog");
    EXPECT_EQ(named->Database(), database.get());
    auto unnamed = CreateReadDataSet(*database, true, nullptr, nullptr, "");
    EXPECT_EQ(unnamed->Name(), "");
    {
      TComponent owner;
      auto owned = CreateReadDataSet(*database, true, nullptr, &owner, "qOwned");
      EXPECT_FALSE(owned.owns());
      EXPECT_EQ(owner.ComponentCount(), 1);
      EXPECT_EQ(&owner.Components(0), static_cast<TComponent*>(owned.get()));
    }  // the owner goes first and frees the dataset; the pointer must not free it again
  }
}

TEST_F(DatabaseAccessTest, WithoutHelperConnectTheMutexSerialises) {
  ScopedHelper helper(test::kWithoutConnectHelper);
  ASSERT_EQ(HelperProc(HelperFunction::FBConnectDB), nullptr);
  auto database = OpenStation(station_);
  EXPECT_TRUE(database->Connected());
  // The mutex was released: this thread and others can take it.
  auto other = platform::NamedMutex::Open(ConnectMutex()->Name());
  ASSERT_NE(other, nullptr);
  platform::NamedMutexLock lock(*other, platform::kNoTimeLimit);
  EXPECT_EQ(lock.result(), platform::WaitResult::kAcquired);
  DisconnectDatabase(*database);
  EXPECT_FALSE(database->Connected());
}

int OpenFileCount() {
  int n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++n;
  return n;
}

TEST_F(DatabaseAccessTest, RepeatedFailuresLeakNothing) {
  ScopedHelper helper(test::kFullHelper);
  { auto warm = OpenStation(station_); }
  const int before = OpenFileCount();
  for (int i = 0; i < 100; ++i) {
    EXPECT_THROW(CreateDatabase(dir_->File("MISSING.FDB"), "", 0, true, nullptr, kDatabaseUser,
                                kDatabaseHost, true, "", kDatabaseCharSet),
                 EIBInterBaseError);
    auto database = OpenStation(station_);
    auto query = CreateReadDataSet(*database, true, nullptr, nullptr, "");
    query->SelectSQL().SetText(i % 2 ? "SELECT * FROM NOWHERE" : "SELECT 1/0 FROM SMLOG");
    EXPECT_THROW(query->Open(), EDatabaseError);
  }
  EXPECT_LE(OpenFileCount(), before + 2);
}

}  // namespace
}  // namespace kvr::db
