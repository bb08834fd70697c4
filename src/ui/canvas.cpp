#include "ui/canvas.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <limits>

#include "common/exceptions.h"
#include "ui/painting.h"

namespace kvr::ui {
namespace {

std::atomic<std::size_t> g_live_canvases{0};
std::atomic<std::size_t> g_locked_canvases{0};

// origin + extent, kept inside int (a huge graphic must not overflow the rectangle).
int Edge(int origin, int extent) {
  std::int64_t edge = std::int64_t{origin} + extent;
  return static_cast<int>(std::clamp<std::int64_t>(edge, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

}  // namespace

Canvas::Canvas() noexcept { g_live_canvases.fetch_add(1); }

Canvas::~Canvas() { g_live_canvases.fetch_sub(1); }

void Canvas::SetHandle(DeviceContext dc) noexcept {
  dc_ = dc;
  window_ = WindowFromDC(dc);
}

void Canvas::Lock() {
  lock_.lock();
  if (lock_depth_++ == 0) g_locked_canvases.fetch_add(1);
  if (dc_ != 0) RecordPaintStep({window_, PaintStep::kCanvasLock, dc_});
}

void Canvas::Unlock() {
  if (dc_ != 0) RecordPaintStep({window_, PaintStep::kCanvasUnlock, dc_});
  if (--lock_depth_ == 0) g_locked_canvases.fetch_sub(1);
  lock_.unlock();
}

void Canvas::Draw(int x, int y, const Graphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  if (dc_ == 0) throw EInvalidOperation("Canvas does not allow drawing");
  RecordPaintStep({window_, PaintStep::kDraw, dc_, x, y, graphic});
  graphic->Draw(*this, Rect{x, y, Edge(x, graphic->Width()), Edge(y, graphic->Height())});
}

std::size_t Canvas::LiveCount() noexcept { return g_live_canvases.load(); }

std::size_t Canvas::LockedCount() noexcept { return g_locked_canvases.load(); }

}  // namespace kvr::ui
