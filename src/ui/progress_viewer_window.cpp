#include "ui/progress_viewer_window.h"

#include "platform/canvas.h"
#include "platform/painting.h"
#include "platform/window_messages.h"
#include "ui/progress_viewer.h"

namespace kvr::ui {
namespace {

using platform::WindowHandle;

void CancelRegistered(WindowHandle window) {
  ViewerRegistry* viewers = ProgressViewers();
  if (viewers == nullptr) return;
  if (std::shared_ptr<ProgressState> state = viewers->Find(window)) CancelProgress(*state);
}

// Ends a painting when the scope is left, however it is left.
class PaintScope {
 public:
  explicit PaintScope(WindowHandle window) : window_(window) {
    platform::BeginPaint(window_, paint_);
  }
  ~PaintScope() { platform::EndPaint(window_, paint_); }
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;

 private:
  WindowHandle window_;
  platform::PaintStruct paint_;
};

// Holds a canvas bound to the window's context and locked; gives the context back and
// unlocks, in that order, when the scope is left.
class LockedWindowCanvas {
 public:
  LockedWindowCanvas(platform::Canvas& canvas, WindowHandle window)
      : canvas_(canvas), window_(window) {
    canvas_.SetHandle(platform::GetDC(window_));
    canvas_.Lock();
  }
  ~LockedWindowCanvas() {
    if (canvas_.Handle() != 0) platform::ReleaseDC(window_, canvas_.Handle());
    canvas_.Unlock();
  }
  LockedWindowCanvas(const LockedWindowCanvas&) = delete;
  LockedWindowCanvas& operator=(const LockedWindowCanvas&) = delete;

 private:
  platform::Canvas& canvas_;
  WindowHandle window_;
};

void PaintPicture(WindowHandle window, const platform::Picture& picture) {
  PaintScope painting(window);
  platform::Canvas canvas;
  LockedWindowCanvas locked(canvas, window);
  canvas.Draw(0, 0, picture.graphic());
}

}  // namespace

platform::LResult ProgressViewerWindowProcedure(WindowHandle window, platform::MessageId message,
                                                platform::WParam wparam,
                                                platform::LParam lparam) noexcept {
  namespace msg = platform::message;
  switch (message) {
    case msg::kDestroy: platform::PostQuitMessage(0); return 0;
    case msg::kKeyDown:
      if (wparam == platform::kVirtualKeyEscape) CancelRegistered(window);
      return 0;
    case msg::kClose: return 0;
    case msg::kCommand:
      if (lparam != 0) CancelRegistered(window);
      return 0;
    case kPaintPictureMessage:
      if (wparam == 0) break;
      try {
        PaintPicture(window, *reinterpret_cast<const platform::Picture*>(wparam));
      } catch (...) {
        // Everything taken is given back; an error must not unwind into the message dispatch.
      }
      return 0;
    default: break;
  }
  return platform::DefaultWindowProcedure(window, message, wparam, lparam);
}

}  // namespace kvr::ui
