// The thread message queue and the default window procedure, as far as windows of this
// system use them. Each thread has its own queue, as on Windows: PostQuitMessage asks the
// calling thread's message loop to end, and the loop sees kQuit (wparam = exit code) once.
// The default window procedure answers 0; a process may install a hook in its place
// (tests use it to see which messages a window procedure passes on).
#pragma once

#include <functional>

#include "ui/window_types.h"

namespace kvr::ui {

struct Message {
  WindowHandle window = 0;
  MessageId id = 0;
  WParam wparam = 0;
  LParam lparam = 0;
};

// Marks the calling thread's queue as quitting (PostQuitMessage).
void PostQuitMessage(int exit_code) noexcept;
// Takes the next message of the calling thread's queue (PeekMessage); false when none waits.
// With remove false the message stays in the queue.
bool PeekMessage(Message& message, bool remove) noexcept;

// DefWindowProcA: the hook's answer if a hook is installed, else 0. A hook that throws
// answers 0.
LResult DefaultWindowProcedure(WindowHandle window, MessageId message, WParam wparam,
                               LParam lparam) noexcept;

using DefaultWindowProcedureHook =
    std::function<LResult(WindowHandle window, MessageId message, WParam wparam, LParam lparam)>;
// Installs a hook for the whole process (an empty function removes it).
void SetDefaultWindowProcedureHook(DefaultWindowProcedureHook hook);

}  // namespace kvr::ui
