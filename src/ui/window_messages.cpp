#include "ui/window_messages.h"

#include <memory>
#include <mutex>
#include <optional>

namespace kvr::ui {
namespace {

// Windows keeps a quit request as a flag beside the queue, not as a posted message.
thread_local std::optional<int> t_quit_exit_code;

// Shared so that a call copies a pointer, not the function, and never allocates.
std::mutex g_hook_lock;
std::shared_ptr<const DefaultWindowProcedureHook> g_hook;

}  // namespace

void PostQuitMessage(int exit_code) noexcept { t_quit_exit_code = exit_code; }

bool PeekMessage(Message& message, bool remove) noexcept {
  if (!t_quit_exit_code) return false;
  message = Message{0, message::kQuit, static_cast<WParam>(*t_quit_exit_code), 0};
  if (remove) t_quit_exit_code.reset();
  return true;
}

LResult DefaultWindowProcedure(WindowHandle window, MessageId message, WParam wparam,
                               LParam lparam) noexcept {
  std::shared_ptr<const DefaultWindowProcedureHook> hook;
  {
    std::lock_guard guard(g_hook_lock);
    hook = g_hook;
  }
  if (!hook) return 0;
  try {
    return (*hook)(window, message, wparam, lparam);
  } catch (...) {
    return 0;
  }
}

void SetDefaultWindowProcedureHook(DefaultWindowProcedureHook hook) {
  std::shared_ptr<const DefaultWindowProcedureHook> installed;
  if (hook) installed = std::make_shared<const DefaultWindowProcedureHook>(std::move(hook));
  std::lock_guard guard(g_hook_lock);
  g_hook = std::move(installed);
}

}  // namespace kvr::ui
