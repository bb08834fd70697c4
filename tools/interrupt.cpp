#include "interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace kvr::host {
namespace {

const char* g_message = "";

// Only async-signal-safe calls: the library may be anywhere, holding any lock.
void OnInterrupt(int) {
  const ssize_t ignored = ::write(STDERR_FILENO, g_message, std::strlen(g_message));
  (void)ignored;
  ::_exit(130);
}

}  // namespace

void ExitOnInterrupt(bool json) {
  g_message =
      json ? "\n{\"error\":\"interrupted\",\"exit_status\":130}\n" : "\nkvrhost: interrupted\n";
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace kvr::host
