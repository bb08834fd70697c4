// A database server that dies or stalls while a long export reads from it over TCP: the call
// comes back within seconds (a stall: within the time-out KVR_FB_TIMEOUT) with the export's
// context and the client's own text, the old file is gone as the export's first step deletes
// it, and nothing is left under the export's name or beside it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <future>
#include <string>
#include <thread>

#include "codepage/code_page.h"
#include "export_harness.h"
#include "platform/file_system.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A station with 300,000 sales (generated once per build tree): its sale log reads for tens of
// seconds over TCP, long enough to break the server in the middle.
const std::string& LargeStationTemplate() {
  static const std::string path = [] {
    const fs::path cache = fs::path(KVR_BINARY_DIR) / "test-databases";
    const fs::path file = cache / "station-large-300000.FDB";
    if (!fs::exists(file)) {
      fs::create_directories(cache);
      const fs::path aside = cache / ("station-large.tmp." + std::to_string(::getpid()));
      GenerateLargeStationDatabase(aside.string(), 300000);
      fs::rename(aside, file);
    }
    return file.string();
  }();
  return path;
}

class ServerFaultTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    const std::string dir = Root() + "/station-large";
    fs::create_directories(dir);
    fs::copy_file(LargeStationTemplate(), dir + "/GARVEN.FDB",
                  fs::copy_options::overwrite_existing);
    Host().answers[5] = AnswerText(dir + "/");
    server_ = std::make_unique<FirebirdServer>();
    ::setenv("CORVANE_FB_PORT", std::to_string(server_->port()).c_str(), 1);
    ::setenv("CORVANE_FB_PASSWORD", server_->password().c_str(), 1);
    platform::ForceDirectories(ExportFile(""));
    platform::WriteWholeFile(ExportFile("SaleLog.dbf"), "the export of an earlier run");
  }
  void TearDown() override {
    ::unsetenv("KVR_FB_TIMEOUT");
    server_.reset();
    ExportFixture::TearDown();
  }

  // Runs the sale log of all sales; `fault` runs once the export is reading (its first step,
  // deleting the old file, is done and the query runs). Returns the result and the seconds
  // from the fault to the call's return.
  std::pair<ReportResult, double> SaleLogWith(const std::function<void()>& fault) {
    auto call = std::async(std::launch::async, [&] {
      return Run('0', {Date(At(2022, 12, 31)), Date(At(2025, 1, 1)), Int(0), Int(0)});
    });
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    while (platform::FileExists(ExportFile("SaleLog.dbf")) && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
    EXPECT_EQ(call.wait_for(std::chrono::seconds(0)), std::future_status::timeout)
        << "the export ended before the fault";
    const auto fault_at = Clock::now();
    fault();
    ReportResult r = call.get();
    return {r, SecondsSince(fault_at)};
  }

  void ExpectFailedSaleLog(const ReportResult& r, const std::string& client_text) {
    EXPECT_TRUE(r.result);  // an export failure is reported, not refused
    const std::string text = codepage::Cp1251ToUtf8(r.text);
    const std::string head = "Ошибка при формировании отчета: ОтчетПоОтливам -> ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
    EXPECT_NE(text.find(client_text), std::string::npos) << text;
    EXPECT_NE(text.find(" <# EIBInterBaseError #>"), std::string::npos) << text;
    // Nothing under the export's name, and no partial file beside it.
    EXPECT_TRUE(fs::is_empty(ExportFile(""))) << "files left in the export directory";
  }

  std::unique_ptr<FirebirdServer> server_;
};

TEST_F(ServerFaultTest, ServerKilledInTheMiddleFailsTheExportAtOnce) {
  const auto [r, seconds] = SaleLogWith([&] { server_->Kill(); });
  ExpectFailedSaleLog(r, "Error reading data from the connection");
  EXPECT_LT(seconds, 5.0);
}

TEST_F(ServerFaultTest, ServerStalledInTheMiddleFailsTheExportAfterTheTimeout) {
  ::setenv("KVR_FB_TIMEOUT", "3", 1);
  const auto [r, seconds] = SaleLogWith([&] { server_->Pause(); });
  ExpectFailedSaleLog(r, "Error reading data from the connection");
  EXPECT_GE(seconds, 2.0);
  EXPECT_LT(seconds, 10.0);
}

TEST_F(ServerFaultTest, ServerStalledBeforeTheCallRefusesItAfterTheTimeout) {
  ::setenv("KVR_FB_TIMEOUT", "2", 1);
  server_->Pause();
  const auto start = Clock::now();
  const ReportResult r = Run('6', {Int(5), Int(3)});
  const double seconds = SecondsSince(start);
  EXPECT_FALSE(r.result);  // no station connection: the call itself fails
  const std::string text = codepage::Cp1251ToUtf8(r.text);
  EXPECT_NE(text.find("Ошибка при формировании экспортного отчета: "), std::string::npos) << text;
  EXPECT_NE(text.find("connection rejected by remote interface"), std::string::npos) << text;
  EXPECT_GE(seconds, 1.5);
  EXPECT_LT(seconds, 8.0);
  EXPECT_TRUE(platform::FileExists(ExportFile("SaleLog.dbf")));  // no export ran
}

TEST_F(ServerFaultTest, TimeoutSettingIsChecked) {
  for (const char* bad : {"soon", "-1", "86401", "5s", " 5"}) {
    SCOPED_TRACE(bad);
    ::setenv("KVR_FB_TIMEOUT", bad, 1);
    const ReportResult r = Run('6', {Int(5), Int(3)});
    EXPECT_FALSE(r.result);
    const std::string expected =
        "Ошибка при формировании экспортного отчета: Invalid value of KVR_FB_TIMEOUT: \"" +
        std::string(bad) + "\"";
    EXPECT_EQ(codepage::Cp1251ToUtf8(r.text).substr(0, expected.size()), expected);
  }
  // 0 is no limit; the export runs as usual.
  ::setenv("KVR_FB_TIMEOUT", "0", 1);
  RunOk('6', {Int(5), Int(3)});
  EXPECT_TRUE(platform::FileExists(ExportFile("RezEnd.dbf")));
}

}  // namespace
}  // namespace kvr::test
