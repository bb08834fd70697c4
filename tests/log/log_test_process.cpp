// A process that logs for the cross-process tests.
//   write <file> <count> <max_size> <trim_in_place 0|1> <max_backups> <id>
//       writes <count> records "record <n> <40 dots>" with the source tag "[w<id>]"
//   hold <file> <ready_file>
//       takes the logger's lock, creates <ready_file> and waits to be killed
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "log/log_writer.h"

int main(int argc, char** argv) {
  using kvr::log::TDIZEvudod;
  if (argc == 8 && std::string(argv[1]) == "write") {
    TDIZEvudod log(argv[2]);
    const int count = std::atoi(argv[3]);
    log.SetMaxFileSize(std::atoll(argv[4]));
    log.SetTrimInPlace(std::atoi(argv[5]) != 0);
    log.SetMaxBackups(std::atoi(argv[6]));
    log.SetSourceTag(std::string("[w") + argv[7] + "]");
    const std::string dots(40, '.');
    for (int i = 0; i < count; ++i) log.Log(1, "record " + std::to_string(i) + " " + dots);
    return 0;
  }
  if (argc == 4 && std::string(argv[1]) == "hold") {
    TDIZEvudod log(argv[2]);
    log.Lock();
    if (std::FILE* ready = std::fopen(argv[3], "w")) std::fclose(ready);
    while (true) ::pause();
  }
  std::fprintf(stderr, "usage: log_test_process write|hold ...\n");
  return 2;
}
