// Which progress state each open viewer window shows. Two index-aligned lists: entry i of the
// state list belongs to the window at entry i of the handle list. The lock of the handle list
// guards both, so the viewer's thread and the operation's thread may use the registry at once.
// States are shared: a state looked up stays alive while the caller uses it, even if its
// window is removed meanwhile.
#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include "ui/progress_state.h"
#include "ui/window_types.h"

namespace kvr::ui {

class ViewerRegistry {
 public:
  // Registers the window's state; a window already registered gets the new state (window
  // handles are reused once a window is gone). False, and nothing changes, for a null state
  // or window 0.
  bool Add(WindowHandle window, std::shared_ptr<ProgressState> state);
  // False when the window is not registered.
  bool Remove(WindowHandle window);
  // The window's state, or null when the window is not registered.
  std::shared_ptr<ProgressState> Find(WindowHandle window) const;
  std::size_t Count() const;

 private:
  // Index of the window in handles_, or handles_.size(). Call with handles_lock_ held.
  std::size_t IndexOf(WindowHandle window) const;

  mutable std::mutex handles_lock_;
  std::vector<WindowHandle> handles_;
  std::vector<std::shared_ptr<ProgressState>> states_;
};

}  // namespace kvr::ui
