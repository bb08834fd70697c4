#include "platform/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace kvr::platform {
namespace {

const char* g_message = "";
int g_exit_code = 130;

// Only async-signal-safe calls: the library may be anywhere, holding any lock.
void OnInterrupt(int) {
  const ssize_t ignored = ::write(STDERR_FILENO, g_message, std::strlen(g_message));
  (void)ignored;
  ::_exit(g_exit_code);
}

}  // namespace

void ExitOnInterrupt(const char* message, int exit_code) {
  g_message = message;
  g_exit_code = exit_code;
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGINT, &action, nullptr);
}

}  // namespace kvr::platform
