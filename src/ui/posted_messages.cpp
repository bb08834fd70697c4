#include "ui/posted_messages.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/system_error.h"
#include "ui/window_class.h"

namespace kvr::ui {

using platform::SetLastError;

namespace {

struct MessageWindows {
  std::mutex guard;
  WindowHandle next = 0x10000;  // handles far from small integers that are easy to mistake
  std::map<WindowHandle, std::vector<Message>> queues;
};

MessageWindows& Windows() {
  static auto* windows = new MessageWindows();  // outlives every static destructor
  return *windows;
}

}  // namespace

WindowHandle CreateMessageWindow() {
  MessageWindows& w = Windows();
  std::lock_guard lock(w.guard);
  WindowHandle handle = w.next;
  w.next += 4;
  w.queues[handle];
  return handle;
}

void DestroyMessageWindow(WindowHandle window) {
  MessageWindows& w = Windows();
  std::lock_guard lock(w.guard);
  w.queues.erase(window);
}

bool PostMessage(WindowHandle window, MessageId message, WParam wparam, LParam lparam) {
  MessageWindows& w = Windows();
  std::lock_guard lock(w.guard);
  auto it = w.queues.find(window);
  if (it == w.queues.end()) {
    SetLastError(kErrorInvalidWindowHandle);
    return false;
  }
  it->second.push_back(Message{window, message, wparam, lparam});
  return true;
}

std::vector<Message> TakePostedMessages(WindowHandle window) {
  MessageWindows& w = Windows();
  std::lock_guard lock(w.guard);
  auto it = w.queues.find(window);
  if (it == w.queues.end()) return {};
  return std::exchange(it->second, {});
}

}  // namespace kvr::ui
