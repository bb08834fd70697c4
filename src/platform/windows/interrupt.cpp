#include "platform/interrupt.h"

#include <cstring>

#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

const char* g_message = "";
int g_exit_code = 130;

// Runs on a thread of its own while the others go on: the process ends here, without running
// any library code (TerminateProcess, not ExitProcess).
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  DWORD written = 0;
  ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), g_message,
              static_cast<DWORD>(std::strlen(g_message)), &written, nullptr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(g_exit_code));
  return TRUE;
}

}  // namespace

void ExitOnInterrupt(const char* message, int exit_code) {
  g_message = message;
  g_exit_code = exit_code;
  ::SetConsoleCtrlHandler(&OnControl, TRUE);
}

}  // namespace kvr::platform
