// Device contexts of windows (BeginPaint/EndPaint, GetDC/ReleaseDC) and a journal of the
// painting steps taken on them. There is no screen here: a context is a counted handle that
// must be given back, and what is drawn is recorded, so that painting code can be checked for
// what it drew and for releasing everything it took, also when drawing fails.
#pragma once

#include <cstddef>
#include <vector>

#include "ui/window_types.h"

namespace kvr::ui {

struct PaintStruct {
  DeviceContext dc = 0;
  Rect paint_rect;
};

// Starts painting a window: fills `paint` and returns its context, or 0 (last error
// kErrorInvalidWindowHandle) for window 0.
DeviceContext BeginPaint(WindowHandle window, PaintStruct& paint) noexcept;
// Ends painting; false when `paint` is no painting of that window that is still going on.
bool EndPaint(WindowHandle window, const PaintStruct& paint) noexcept;
// A context for drawing on a window (window 0: the screen), or 0 when the system has none left.
DeviceContext GetDC(WindowHandle window) noexcept;
// Gives back a context from GetDC; false when `dc` is no open GetDC context of that window.
bool ReleaseDC(WindowHandle window, DeviceContext dc) noexcept;
// The window a context draws on (0 for the screen or an unknown context).
WindowHandle WindowFromDC(DeviceContext dc) noexcept;
// Contexts taken by BeginPaint or GetDC and not yet given back, in the whole process.
std::size_t OpenDeviceContextCount() noexcept;
// Makes GetDC fail (answer 0) as when the system is out of drawing resources; for tests.
void SetDeviceContextsExhausted(bool exhausted) noexcept;

enum class PaintStep {
  kBeginPaint,
  kGetDC,
  kCanvasLock,
  kDraw,
  kReleaseDC,
  kCanvasUnlock,
  kEndPaint
};

struct PaintRecord {
  WindowHandle window = 0;
  PaintStep step = PaintStep::kBeginPaint;
  DeviceContext dc = 0;
  int x = 0;  // kDraw: where the graphic was placed
  int y = 0;
  const void* graphic = nullptr;  // kDraw: the graphic drawn
};

// The journal keeps the latest kPaintJournalCapacity steps of the process.
constexpr std::size_t kPaintJournalCapacity = 1024;
void RecordPaintStep(const PaintRecord& record) noexcept;
// The recorded steps taken on one window, oldest first.
std::vector<PaintRecord> PaintJournal(WindowHandle window);
void ClearPaintJournal() noexcept;

}  // namespace kvr::ui
