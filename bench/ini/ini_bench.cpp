// Operations per second of TSafeIniFile ReadString / WriteString on a settings file of a few
// dozen entries, for a one-part value (100 characters) and a multi-part value (70,000).
//   ini_bench [operations]   (default 2000)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "ini/safe_ini_file.h"

namespace {

namespace fs = std::filesystem;

template <typename F>
void Measure(const char* what, int count, F&& operation) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) operation(i);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-34s %9.0f ops/s (%d ops, %.2f s)\n", what, count / s, count, s);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 2'000;
  const fs::path dir = fs::temp_directory_path() / ("kvr-ini-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  ::setenv("KVR_LOCK_DIR", (dir / "locks").c_str(), 1);
  kvr::ini::TSafeIniFile ini((dir / "cnf.ini").string());
  for (int i = 0; i < 40; ++i) ini.WriteString("REPORTS", "Option" + std::to_string(i), "1");

  const std::string short_value(100, 's');
  const std::string long_value(70'000, 'l');
  std::size_t sink = 0;
  Measure("WriteString, one part (100 chars)", count,
          [&](int i) { ini.WriteString("Misc", "Short", short_value + std::to_string(i % 10)); });
  Measure("ReadString, one part", count,
          [&](int) { sink += ini.ReadString("Misc", "Short", "").size(); });
  Measure("WriteString, two parts (70,000)", count / 4,
          [&](int i) { ini.WriteString("Misc", "Long", long_value + std::to_string(i % 10)); });
  Measure("ReadString, two parts", count / 4,
          [&](int) { sink += ini.ReadString("Misc", "Long", "").size(); });
  std::printf("(read %zu characters)\n", sink);
  fs::remove_all(dir);
  return 0;
}
