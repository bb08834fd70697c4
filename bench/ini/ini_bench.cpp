// Operations per second of TSafeIniFile ReadString / WriteString on a settings file of a few
// dozen entries, for a one-part value (100 characters) and a multi-part value (70,000); then
// reads from a 15 MB file and of a value of 20,000 parts, both written directly.
//   ini_bench [operations] [parts]   (default 2000 and 20000)
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ini/multi_part_value.h"
#include "ini/safe_ini_file.h"

namespace {

namespace fs = std::filesystem;

template <typename F>
void Measure(const char* what, int count, F&& operation) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) operation(i);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%-34s %9.0f ops/s %10.3f ms/op (%d ops, %.2f s)\n", what, count / s,
              1000 * s / count, count, s);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 2'000;
  const int part_count = argc > 2 ? std::atoi(argv[2]) : 20'000;
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

  // 15 MB: 300,000 entries in 3,000 sections; the key read lies in the last one.
  const fs::path big = dir / "big.ini";
  {
    std::ofstream out(big, std::ios::binary);
    for (int section = 0; section < 3'000; ++section) {
      out << "[Section" << section << "]\r\n";
      for (int i = 0; i < 100; ++i) out << "Key" << i << "=" << std::string(36, 'v') << i << "\r\n";
    }
  }
  kvr::ini::TSafeIniFile big_ini(big.string());
  Measure("ReadString, 15 MB file", 20,
          [&](int) { sink += big_ini.ReadString("Section2999", "Key99", "").size(); });

  // A value of `part_count` parts of 10 characters each.
  const fs::path parts = dir / "parts.ini";
  {
    std::ofstream out(parts, std::ios::binary);
    const std::string first = "part000001";
    out << "[Misc]\r\nMany=" << first << "\r\nMany__$Count=" << part_count
        << "\r\nMany__$Hash=" << kvr::ini::IniHash(first) << "\r\n";
    for (int i = 2; i <= part_count; ++i) {
      std::string number = std::to_string(i);
      out << "Many__$Line" << i << "=part" << std::string(6 - number.size(), '0') << number
          << "\r\n";
    }
  }
  kvr::ini::TSafeIniFile parts_ini(parts.string());
  const std::string parts_label = "ReadString, " + std::to_string(part_count) + " parts";
  Measure(parts_label.c_str(), 1,
          [&](int) { sink += parts_ini.ReadString("Misc", "Many", "").size(); });
  std::printf("(read %zu characters)\n", sink);
  fs::remove_all(dir);
  return 0;
}
