// The window procedure of "ProgressViewerFormClass".
//   WM_DESTROY                ends the viewer's message loop (PostQuitMessage(0));
//   WM_KEYDOWN                Esc cancels the window's operation; no key is passed on;
//   WM_CLOSE                  ignored: the user cannot close the viewer;
//   WM_COMMAND                a control (lparam != 0), i.e. the cancel button, cancels;
//   kPaintPictureMessage      wparam != 0 points to a Picture drawn at (0, 0);
//   anything else             the default window procedure, with its result.
// Cancelling needs the window in the viewer registry; other windows are left alone. All
// handled messages answer 0.
#pragma once

#include "ui/window_types.h"

namespace kvr::ui {

inline constexpr MessageId kPaintPictureMessage = message::kUser + 1;

LResult ProgressViewerWindowProcedure(WindowHandle window, MessageId message, WParam wparam,
                                      LParam lparam) noexcept;

}  // namespace kvr::ui
