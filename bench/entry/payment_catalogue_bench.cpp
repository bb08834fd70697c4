// payment_catalogue_bench [NAMES]: milliseconds of BuildPaymentCatalogue with NAMES payment
// types (default 1,000,000) answered to query 23, without and with a host catalogue object:
// the first build, then the mean of five later builds with the same answers (what every later
// report call pays).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "entry/host_context.h"
#include "entry/payment_catalogue.h"
#include "platform/ui_sinks.h"
#include "scripted_host.h"

namespace {

double Milliseconds(const std::chrono::steady_clock::duration& d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double TimeBuild() {
  const auto start = std::chrono::steady_clock::now();
  kvr::BuildPaymentCatalogue();
  return Milliseconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace kvr::test;
  const int count = argc > 1 ? std::atoi(argv[1]) : 1'000'000;
  kvr::platform::SetBeepSink([](std::uint32_t, std::uint32_t) {});
  std::vector<std::string> names;
  std::vector<TestCatalogue::Entry> entries;
  names.reserve(count);
  for (int i = 0; i < count; ++i) {
    names.push_back("&Payment type " + std::to_string(i));
    entries.push_back({i, static_cast<std::uint8_t>(i % 7)});
  }
  TestCatalogue catalogue(entries);
  Host().answers[23] = AnswerNames(names);
  kvr::TheHostContext().callback = &HostCallback;
  for (bool with_object : {false, true}) {
    Host().answers[57] = with_object ? AnswerPointer(catalogue.Object()) : AnswerInteger(0);
    kvr::ReleasePaymentCatalogue();
    const double first = TimeBuild();
    double later = 0;
    for (int i = 0; i < 5; ++i) later += TimeBuild();
    std::printf("%d names, %s: first build %.0f ms, later builds %.0f ms each\n", count,
                with_object ? "catalogue object" : "no object", first, later / 5);
  }
  kvr::ReleasePaymentCatalogue();
  return 0;
}
