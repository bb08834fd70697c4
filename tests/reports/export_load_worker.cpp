// One host process of the load test: loads the library with dlopen, as a host does, and runs
// every export `rounds` times on the station in `station-dir`.
//   export_load_worker STATION-DIR ROUNDS
// The root (KVR_ROOT) and the server (CORVANE_FB_PORT, CORVANE_FB_PASSWORD) come from the
// environment. Prints each failed call; the exit status is the number of failures (at most 100).
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "codepage/code_page.h"
#include "export_calls.h"
#include "host_params.h"
#include "kvr/host_abi.h"
#include "platform/shared_library.h"
#include "scripted_host.h"

int main(int argc, char** argv) {
  using namespace kvr::test;
  if (argc != 3) {
    std::fprintf(stderr, "usage: export_load_worker STATION-DIR ROUNDS\n");
    return 100;
  }
  std::string error;
  auto library = kvr::platform::SharedLibrary::Open(KVR_LIBRARY_PATH, &error);
  if (!library) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 100;
  }
  auto init = reinterpret_cast<kvr_init_reports_fn>(library->Symbol("InitReports"));
  auto get = reinterpret_cast<kvr_get_reports_fn>(library->Symbol("GetReportsInStringEx"));
  Host().answers[5] = AnswerText(std::string(argv[1]) + "/");
  Host().answers[46] = AnswerInteger(0);
  Host().answers[13] = AnswerText("АЗС №1");
  Host().answers[8] = [](kvr_variant* v) { kvr_variant_set_bool(v, false); };
  Host().answers[17] = [](kvr_variant* v) { kvr_variant_set_bool(v, false); };
  init(nullptr, &HostCallback, nullptr);
  const int rounds = std::atoi(argv[2]);
  int failures = 0;
  for (int round = 0; round < rounds; ++round) {
    for (const ExportCall& call : EveryExport()) {
      kvr_variant params =
          host_params_array(call.params.data(), static_cast<std::uint32_t>(call.params.size()));
      char* text = nullptr;
      const bool result = get(call.code, params, &text) != 0;
      kvr_variant_clear(&params);
      const std::string answer = text ? kvr::codepage::Cp1251ToUtf8(text) : std::string();
      std::free(text);
      if (!result || answer != call.text) {
        ++failures;
        std::fprintf(stderr, "round %d, %s: %s\n", round, call.file, answer.c_str());
      }
    }
  }
  return failures > 100 ? 100 : failures;
}
