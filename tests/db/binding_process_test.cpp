// The binding as whole processes see it: a host without the helper, the search for it, and
// the connect mutex between processes started from the same executable.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "db/binding_test_util.h"
#include "db/database_access.h"
#include "db/helper_binding.h"
#include "platform/paths.h"
#include "support/child_process.h"
#include "support/firebird_fixture.h"

namespace kvr::db {
namespace {

namespace fs = std::filesystem;
const std::string kProbe = KVR_BINDING_PROBE;

std::string DirectoryOf(const std::string& file) { return fs::path(file).parent_path().string(); }

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits until the file holds `text` or the time is up.
bool WaitForText(const std::string& path, const std::string& text,
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (ReadText(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

// The number after "<word> " in the probe's output.
long long StampAfter(const std::string& output, const std::string& word) {
  const std::size_t at = output.find(word + " ");
  return at == std::string::npos ? -1 : std::stoll(output.substr(at + word.size() + 1));
}

test::ProcessOptions Probe(std::vector<std::string> args, const std::string& helper_dir) {
  test::ProcessOptions options;
  options.args = {kProbe};
  options.args.insert(options.args.end(), args.begin(), args.end());
  if (helper_dir.empty())
    options.unset_env = {"LD_LIBRARY_PATH"};
  else
    options.env = {{"LD_LIBRARY_PATH", helper_dir}};
  options.unset_env.push_back("CORVANE_FB_PORT");
  return options;
}

TEST(BindingProcess, MissingHelperEndsTheHostWithAMessage) {
  test::ProgramResult result = test::RunProgram(Probe({"load"}, ""));
  EXPECT_EQ(result.exit_code, 126);
  EXPECT_EQ(result.output,
            "Ошибка!: Модуль Corvane.dll не загружен. В запуске приложения отказано!\n");
}

TEST(BindingProcess, HelperIsFoundOnTheSearchPath) {
  test::ProgramResult result =
      test::RunProgram(Probe({"load"}, DirectoryOf(test::kConnectOnlyHelper)));
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_EQ(result.output, "module db_binding_probe\nbound FBConnectDB\nbound FBDisconnectDB\n");
}

TEST(BindingProcess, HelperBesideTheModuleComesFirst) {
  test::TempDir dir("beside");
  const std::string probe = dir.File("db_binding_probe");
  fs::copy_file(kProbe, probe);
  fs::copy_file(test::kFullHelper, dir.File("libCorvane.so"));
  test::ProcessOptions options = Probe({"load"}, DirectoryOf(test::kConnectOnlyHelper));
  options.args[0] = probe;
  test::ProgramResult result = test::RunProgram(options);
  EXPECT_EQ(result.exit_code, 0) << result.output;
  EXPECT_NE(result.output.find("bound GetFBPort"), std::string::npos) << result.output;
}

TEST(BindingProcess, SecondProcessWaitsUntilTheFirstHasConnected) {
  test::TempDir dir("connect-mutex");
  const std::string station =
      test::CreateStationDatabase(dir.path(), test::StationVariant::kMinimal);
  const std::string helper_dir = DirectoryOf(test::kWithoutConnectHelper);
  test::ProcessOptions first_options = Probe({"connect", station, "700"}, helper_dir);
  first_options.output_file = dir.File("first.txt");
  test::ChildProcess first(first_options);
  ASSERT_TRUE(WaitForText(first_options.output_file, "held"))
      << ReadText(first_options.output_file);

  test::ProcessOptions second_options = Probe({"connect", station}, helper_dir);
  second_options.output_file = dir.File("second.txt");
  test::ChildProcess second(second_options);
  // While the first holds the mutex, the second cannot connect.
  EXPECT_FALSE(second.WaitFor(std::chrono::milliseconds(300)).has_value());
  EXPECT_EQ(ReadText(second_options.output_file), "");

  EXPECT_EQ(first.WaitFor(std::chrono::seconds(20)), 0) << ReadText(first_options.output_file);
  EXPECT_EQ(second.WaitFor(std::chrono::seconds(20)), 0) << ReadText(second_options.output_file);
  const std::string first_out = ReadText(first_options.output_file);
  const std::string second_out = ReadText(second_options.output_file);
  const long long held = StampAfter(first_out, "held");
  const long long first_connected = StampAfter(first_out, "connected");
  const long long second_connected = StampAfter(second_out, "connected");
  ASSERT_GT(first_connected, 0) << first_out;
  ASSERT_GT(second_connected, 0) << second_out;
  EXPECT_GE(first_connected - held, 700);
  EXPECT_GT(second_connected, first_connected);
}

TEST(BindingProcess, MutexOfADeadHolderDoesNotBlockConnecting) {
  test::TempDir dir("abandoned");
  const std::string station =
      test::CreateStationDatabase(dir.path(), test::StationVariant::kMinimal);
  test::ScopedHelper helper(test::kWithoutConnectHelper);
  test::ProcessOptions options = Probe({"hold", ConnectMutex()->Name()}, "");
  options.output_file = dir.File("holder.txt");
  {
    test::ChildProcess holder(options);
    ASSERT_TRUE(WaitForText(options.output_file, "held"));
    holder.Stop(std::chrono::milliseconds(0));  // dies holding the mutex
  }
  auto database = CreateDatabase(station, "", 0, true, nullptr, kDatabaseUser, kDatabaseHost, false,
                                 "", kDatabaseCharSet);
  ConnectDatabase(*database);
  EXPECT_TRUE(database->Connected());
  DisconnectDatabase(*database);
}

}  // namespace
}  // namespace kvr::db
