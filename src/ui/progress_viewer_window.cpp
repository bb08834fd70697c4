#include "ui/progress_viewer_window.h"

#include "ui/canvas.h"
#include "ui/painting.h"
#include "ui/progress_viewer.h"
#include "ui/window_messages.h"

namespace kvr::ui {
namespace {

void CancelRegistered(WindowHandle window) {
  ViewerRegistry* viewers = ProgressViewers();
  if (viewers == nullptr) return;
  if (std::shared_ptr<ProgressState> state = viewers->Find(window)) CancelProgress(*state);
}

// Ends a painting when the scope is left, however it is left.
class PaintScope {
 public:
  explicit PaintScope(WindowHandle window) : window_(window) { BeginPaint(window_, paint_); }
  ~PaintScope() { EndPaint(window_, paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

 private:
  WindowHandle window_;
  PaintStruct paint_;
};

// Holds a canvas bound to the window's context and locked; gives the context back and
// unlocks, in that order, when the scope is left.
class LockedWindowCanvas {
 public:
  LockedWindowCanvas(Canvas& canvas, WindowHandle window) : canvas_(canvas), window_(window) {
    canvas_.SetHandle(GetDC(window_));
    canvas_.Lock();
  }
  ~LockedWindowCanvas() {
    if (canvas_.Handle() != 0) ReleaseDC(window_, canvas_.Handle());
    canvas_.Unlock();
  }
  LockedWindowCanvas(const LockedWindowCanvas&) = delete;
  LockedWindowCanvas& operator=(const LockedWindowCanvas&) = delete;

 private:
  Canvas& canvas_;
  WindowHandle window_;
};

void PaintPicture(WindowHandle window, const Picture& picture) {
  PaintScope painting(window);
  Canvas canvas;
  LockedWindowCanvas locked(canvas, window);
  canvas.Draw(0, 0, picture.graphic());
}

}  // namespace

LResult ProgressViewerWindowProcedure(WindowHandle window, MessageId message, WParam wparam,
                                      LParam lparam) noexcept {
  namespace msg = message;
  switch (message) {
    case msg::kDestroy: PostQuitMessage(0); return 0;
    case msg::kKeyDown:
      if (wparam == kVirtualKeyEscape) CancelRegistered(window);
      return 0;
    case msg::kClose: return 0;
    case msg::kCommand:
      if (lparam != 0) CancelRegistered(window);
      return 0;
    case kPaintPictureMessage:
      if (wparam == 0) break;
      try {
        PaintPicture(window, *reinterpret_cast<const Picture*>(wparam));
      } catch (...) {
        // Everything taken is given back; an error must not unwind into the message dispatch.
      }
      return 0;
    default: break;
  }
  return DefaultWindowProcedure(window, message, wparam, lparam);
}

}  // namespace kvr::ui
