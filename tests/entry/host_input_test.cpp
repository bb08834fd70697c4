// Generated host input through the real entry points: every report code, parameter arrays of
// 0 to 8 elements of every type, two dimensions, other lower bounds, element types that
// disagree with the element size, dates that are no dates, huge integers and texts, and host
// callbacks that answer wrongly or hand over broken catalogue objects. Seeded, so a failure
// repeats with the case number it names (KVR_HOST_INPUT_SEED and KVR_HOST_INPUT_CASES choose
// others). Each call must come back with 0 or 1 and a text of the allowed families; built with
// the sanitizers, a crash, a leak or undefined behaviour fails the run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "export_harness.h"
#include "host_input_generator.h"
#include "platform/shared_library.h"
#include "scripted_host.h"

namespace kvr::test {
namespace {

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* text = std::getenv(name);
  return text != nullptr && *text != '\0' ? std::strtoull(text, nullptr, 10) : fallback;
}

class HostInputTest : public ExportFixture {
 protected:
  void SetUp() override {
    ExportFixture::SetUp();
    std::string error;
    // The fixture loaded the library already; this only takes another reference to it.
    library_ = platform::SharedLibrary::Open(KVR_LIBRARY_PATH, &error);
    ASSERT_TRUE(library_) << error;
    get_ = reinterpret_cast<kvr_get_reports_fn>(library_->Symbol("GetReportsInStringEx"));
    init_ = reinterpret_cast<kvr_init_reports_fn>(library_->Symbol("InitReports"));
    ASSERT_NE(get_, nullptr);
    ASSERT_NE(init_, nullptr);
  }

  // Runs `cases` generated calls; returns how many ended in each way.
  struct Tally {
    int success = 0, failure = 0, export_error = 0, unknown = 0;
  };
  Tally RunCases(std::uint64_t seed, int cases) {
    const std::string station = UseStation(StationVariant::kFull);
    UseOffice();
    UseShop();
    const std::string station_dir = std::filesystem::path(station).parent_path().string() + "/";
    HostInputGenerator generator(seed, station_dir, ShopDirectory(), DataBegin(), DataEnd());
    Tally tally;
    Arena arena;
    for (int i = 0; i < cases; ++i) {
      generator.ScriptAnswers(Host());
      if (i % 7 == 0) init_(nullptr, &HostCallback, nullptr);  // the host kind and catalogue
      HostCase c = generator.Next(arena);
      char* text = nullptr;
      const std::int32_t result = get_(c.report_code, c.params, &text);
      std::string why;
      if (!IsAllowedAnswer(result, text, &why))
        ADD_FAILURE() << "seed " << seed << " case " << i << " (" << c.description << "): " << why;
      if (result == 1 && text == nullptr)
        ++tally.success;
      else if (result == 1)
        ++tally.export_error;
      else if (text != nullptr)
        ++tally.failure;
      else
        ++tally.unknown;
      std::free(text);
      arena.Clear();
      if (c.report_code == '#') ControlCommand(false);  // back to the host's own answers
      if (::testing::Test::HasFailure() && i > 50) break;
    }
    return tally;
  }

  std::unique_ptr<platform::SharedLibrary> library_;
  kvr_get_reports_fn get_ = nullptr;
  kvr_init_reports_fn init_ = nullptr;
};

TEST_F(HostInputTest, GeneratedCallsEndInAllowedAnswers) {
  const std::uint64_t seed = EnvNumber("KVR_HOST_INPUT_SEED", 20261209);
  const int cases = static_cast<int>(EnvNumber("KVR_HOST_INPUT_CASES", 3000));
  const Tally tally = RunCases(seed, cases);
  // The generator reaches every way a call ends, not just the early refusals.
  EXPECT_GT(tally.success, cases / 40) << "successful exports";
  EXPECT_GT(tally.export_error, cases / 40) << "exports that failed";
  EXPECT_GT(tally.failure, cases / 10) << "refused calls";
  EXPECT_GT(tally.unknown, 0) << "unknown reports";
  std::printf("%d calls: %d exports written, %d export errors, %d refused, %d unknown reports\n",
              cases, tally.success, tally.export_error, tally.failure, tally.unknown);
  RecordProperty("successes", tally.success);
  RecordProperty("export_errors", tally.export_error);
  RecordProperty("refusals", tally.failure);
}

}  // namespace
}  // namespace kvr::test
