#include "platform/ui_sinks.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "codepage/code_page.h"
#include "platform/windows/wide_text.h"
#include "platform/windows/win32.h"

namespace kvr::platform {
namespace {

std::mutex g_sink_mutex;
MessageBoxSink g_message_box_sink;
BeepSink g_beep_sink;
std::atomic<std::uint64_t> g_beeps{0};

UINT IconStyle(MessageBoxIcon icon) {
  switch (icon) {
    case MessageBoxIcon::kError: return MB_ICONERROR;
    case MessageBoxIcon::kWarning: return MB_ICONWARNING;
    case MessageBoxIcon::kInformation: return MB_ICONINFORMATION;
    case MessageBoxIcon::kNone: break;
  }
  return 0;
}

// A console program (kvrhost, the tests) has a standard error to write to; a window host has
// none, and gets the dialog.
bool HasStandardError() {
  const HANDLE handle = ::GetStdHandle(STD_ERROR_HANDLE);
  return handle != nullptr && handle != INVALID_HANDLE_VALUE &&
         ::GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void ShowMessageBox(std::string_view text, std::string_view caption, MessageBoxIcon icon) {
  MessageBoxSink sink;
  {
    std::lock_guard lock(g_sink_mutex);
    sink = g_message_box_sink;
  }
  if (sink) {
    sink(text, caption, icon);
    return;
  }
  if (HasStandardError()) {
    std::string line = codepage::Cp1251ToUtf8(caption) + ": " + codepage::Cp1251ToUtf8(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
    return;
  }
  ::MessageBoxW(nullptr, WideText(text).c_str(), WideText(caption).c_str(),
                MB_OK | MB_TASKMODAL | IconStyle(icon));
}

void Beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) {
  g_beeps.fetch_add(1);
  BeepSink sink;
  {
    std::lock_guard lock(g_sink_mutex);
    sink = g_beep_sink;
  }
  if (sink)
    sink(frequency_hz, duration_ms);
  else
    ::Beep(frequency_hz, duration_ms);
}

std::uint64_t BeepCount() { return g_beeps.load(); }

void SetMessageBoxSink(MessageBoxSink sink) {
  std::lock_guard lock(g_sink_mutex);
  g_message_box_sink = std::move(sink);
}

void SetBeepSink(BeepSink sink) {
  std::lock_guard lock(g_sink_mutex);
  g_beep_sink = std::move(sink);
}

// TerminateProcess, not ExitProcess: ExitProcess would run every DLL's detach code, the
// library's own included, with its locks held by threads that are gone.
void ExitProcess(int exit_code) {
  std::fflush(nullptr);
  ::TerminateProcess(::GetCurrentProcess(), static_cast<UINT>(exit_code));
  std::_Exit(exit_code);  // not reached
}

}  // namespace kvr::platform
