// A process that uses one INI file for the cross-process tests.
//   write <file> <id> <count>     rewrites S/K <count> times with Value(id, i)
//   read <file> <stop_file>       reads S/K until <stop_file> exists; exit 1 when a read value
//                                 was never written, 3 when no written value was seen at all
//   hold <file> <ready_file>      takes the file's lock, creates <ready_file>, waits to be killed

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "ini/safe_ini_file.h"

namespace {

// Values of one or two parts with line breaks, told apart by their "w<id>:<i>:" head.
std::string Value(int id, int i, bool as_read) {
  std::string v(1, 'w');
  v.append(std::to_string(id)).append(":").append(std::to_string(i)).append(":");
  const int length = 60'000 + (i * 7919) % 12'000 + id * 500;
  for (int k = 0; k < length; ++k) {
    if (k % 997 == 996)
      v += as_read ? "\r\n" : "\n";
    else
      v += static_cast<char>('a' + (k + id + i) % 26);
  }
  return v;
}

bool FileExists(const char* path) { return std::filesystem::exists(path); }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 2;
  const std::string mode = argv[1];
  kvr::ini::TSafeIniFile ini(argv[2]);
  if (mode == "write") {
    const int id = std::atoi(argv[3]);
    const int count = argc > 4 ? std::atoi(argv[4]) : 100;
    for (int i = 0; i < count; ++i) ini.WriteString("S", "K", Value(id, i, false));
    return 0;
  }
  if (mode == "read") {
    int good = 0;
    for (bool last = false; !last;) {
      last = FileExists(argv[3]);
      const std::string v = ini.ReadString("S", "K", "");
      int id, i;
      if (v.empty() || std::sscanf(v.c_str(), "w%d:%d:", &id, &i) != 2 || v != Value(id, i, true)) {
        if (v.empty() || v == "initial") continue;
        std::fprintf(stderr, "never written: %.40s... (%zu chars)\n", v.c_str(), v.size());
        return 1;
      }
      ++good;
    }
    std::printf("%d\n", good);
    return good > 0 ? 0 : 3;
  }
  if (mode == "hold") {
    ini.Lock();
    if (std::FILE* ready = std::fopen(argv[3], "w")) std::fclose(ready);
    while (true) std::this_thread::sleep_for(std::chrono::hours(1));  // killed by the test
  }
  return 2;
}
