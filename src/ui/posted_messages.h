// PostMessageA for windows that only receive posted notifications (a log viewer told of new
// lines). A message window is a queue with a handle; posting appends to it without waiting and
// the owner takes the messages when it likes.
#pragma once

#include <vector>

#include "ui/window_messages.h"
#include "ui/window_types.h"

namespace kvr::ui {

// A new message window; its handle is never 0.
WindowHandle CreateMessageWindow();
// Destroys the window; messages still queued are dropped.
void DestroyMessageWindow(WindowHandle window);
// Queues the message; false with kErrorInvalidWindowHandle (1400) when no such window exists.
bool PostMessage(WindowHandle window, MessageId message, WParam wparam, LParam lparam);
// Removes and returns the queued messages of the window, oldest first.
std::vector<Message> TakePostedMessages(WindowHandle window);

}  // namespace kvr::ui
