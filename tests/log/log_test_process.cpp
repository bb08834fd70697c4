// A process that logs for the cross-process tests.
//   write <file> <count> <max_size> <trim_in_place 0|1> <max_backups> <id>
//       writes <count> records "record <n> <40 dots>" with the source tag "[w<id>]"
//   endless <file> <max_size> <progress_file>
//       writes "record <n> <40 dots>" for n = 0, 1, ... until killed; after each record the
//       progress file holds n (written in place, padded)
//   hold <file> <ready_file>
//       takes the logger's lock, creates <ready_file> and waits to be killed
#include <fcntl.h>
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
  if (argc == 5 && std::string(argv[1]) == "endless") {
    TDIZEvudod log(argv[2]);
    log.SetMaxFileSize(std::atoll(argv[3]));
    log.SetSourceTag("[w0]");
    const int progress = ::open(argv[4], O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (progress < 0) return 1;
    const std::string dots(40, '.');
    for (int i = 0;; ++i) {
      log.Log(1, "record " + std::to_string(i) + " " + dots);
      std::string mark = std::to_string(i);
      mark.resize(12, ' ');
      if (::pwrite(progress, mark.data(), mark.size(), 0) < 0) return 1;
    }
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
