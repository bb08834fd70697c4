// A second process for the named mutex tests.
//   mutex_contender NAME loop COUNT MARKER   take the mutex COUNT times; inside, create MARKER
//                                            exclusively (exit 3 if it exists: another holder
//                                            is inside), pause, remove it
//   mutex_contender NAME hold READY          take the mutex, create READY, wait to be killed
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/named_mutex.h"

namespace {

int Loop(kvr::platform::NamedMutex& mutex, int count, const char* marker) {
  for (int i = 0; i < count; ++i) {
    kvr::platform::NamedMutexLock lock(mutex, kvr::platform::kNoTimeLimit);
    if (!lock.owns()) return 2;
    int fd = ::open(marker, O_CREAT | O_EXCL | O_WRONLY, 0644);
    if (fd < 0) return 3;
    ::close(fd);
    ::usleep(1000);
    ::unlink(marker);
  }
  return 0;
}

int Hold(kvr::platform::NamedMutex& mutex, const char* ready) {
  if (mutex.Wait(kvr::platform::kNoTimeLimit) == kvr::platform::WaitResult::kFailed) return 2;
  int fd = ::open(ready, O_CREAT | O_WRONLY, 0644);
  if (fd < 0) return 4;
  ::close(fd);
  for (;;) ::pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return 64;
  auto mutex = kvr::platform::NamedMutex::Open(argv[1]);
  if (!mutex) return 5;
  if (std::strcmp(argv[2], "loop") == 0 && argc == 5)
    return Loop(*mutex, std::atoi(argv[3]), argv[4]);
  if (std::strcmp(argv[2], "hold") == 0) return Hold(*mutex, argv[3]);
  return 64;
}
