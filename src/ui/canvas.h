// Drawing surfaces and drawable graphics (the stand-ins for TCanvas, TGraphic and TPicture).
// A canvas draws through a device context of a window; what it draws is recorded in the
// painting journal. A graphic draws itself and may fail, as real graphics do.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>

#include "ui/window_types.h"

namespace kvr::ui {

class Canvas;

class Graphic {
 public:
  virtual ~Graphic() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  bool Empty() const { return Width() <= 0 || Height() <= 0; }
  // Draws the graphic into `destination` of `canvas`; may throw.
  virtual void Draw(Canvas& canvas, const Rect& destination) const = 0;
};

// Holds one graphic, or none.
class Picture {
 public:
  Picture() = default;
  explicit Picture(std::unique_ptr<Graphic> graphic) : graphic_(std::move(graphic)) {}
  const Graphic* graphic() const { return graphic_.get(); }
  void SetGraphic(std::unique_ptr<Graphic> graphic) { graphic_ = std::move(graphic); }

 private:
  std::unique_ptr<Graphic> graphic_;
};

class Canvas {
 public:
  Canvas() noexcept;
  // A canvas is unlocked before it is destroyed; the context it is bound to is not released.
  ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // Binds the canvas to a device context (0 unbinds).
  void SetHandle(DeviceContext dc) noexcept;
  DeviceContext Handle() const noexcept { return dc_; }

  // Keeps other threads from drawing on the canvas until the matching Unlock (recursive).
  // Unlock is called by the thread that locked.
  void Lock();
  void Unlock();

  // Draws `graphic` with its top-left corner at (x, y); a null or empty graphic draws nothing.
  // Throws EInvalidOperation when the canvas is bound to no device context.
  void Draw(int x, int y, const Graphic* graphic);

  // Canvases alive, and those of them locked, in the whole process.
  static std::size_t LiveCount() noexcept;
  static std::size_t LockedCount() noexcept;

 private:
  DeviceContext dc_ = 0;
  WindowHandle window_ = 0;
  std::recursive_mutex lock_;
  int lock_depth_ = 0;  // changed only while lock_ is held
};

}  // namespace kvr::ui
