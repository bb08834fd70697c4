#include "platform/ui_sinks.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>

#include "codepage/code_page.h"

namespace kvr::platform {
namespace {

std::mutex g_sink_mutex;
MessageBoxSink g_message_box_sink;
BeepSink g_beep_sink;
std::atomic<std::uint64_t> g_beeps{0};

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
  std::string line = codepage::Cp1251ToUtf8(caption) + ": " + codepage::Cp1251ToUtf8(text) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

void Beep(std::uint32_t frequency_hz, std::uint32_t duration_ms) {
  g_beeps.fetch_add(1);
  BeepSink sink;
  {
    std::lock_guard lock(g_sink_mutex);
    sink = g_beep_sink;
  }
  if (sink) sink(frequency_hz, duration_ms);
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

void ExitProcess(int exit_code) {
  std::fflush(nullptr);
  ::_exit(exit_code);
}

}  // namespace kvr::platform
