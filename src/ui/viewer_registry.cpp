#include "ui/viewer_registry.h"

#include <algorithm>

namespace kvr::ui {

std::size_t ViewerRegistry::IndexOf(WindowHandle window) const {
  return static_cast<std::size_t>(std::find(handles_.begin(), handles_.end(), window) -
                                  handles_.begin());
}

bool ViewerRegistry::Add(WindowHandle window, std::shared_ptr<ProgressState> state) {
  if (window == 0 || !state) return false;
  std::lock_guard guard(handles_lock_);
  std::size_t index = IndexOf(window);
  if (index < handles_.size()) {
    states_[index] = std::move(state);
    return true;
  }
  // Reserve both first so that a failed allocation cannot leave the lists out of step.
  handles_.reserve(handles_.size() + 1);
  states_.reserve(states_.size() + 1);
  handles_.push_back(window);
  states_.push_back(std::move(state));
  return true;
}

bool ViewerRegistry::Remove(WindowHandle window) {
  std::shared_ptr<ProgressState> removed;  // released after the lock
  std::lock_guard guard(handles_lock_);
  std::size_t index = IndexOf(window);
  if (index == handles_.size()) return false;
  removed = std::move(states_[index]);
  handles_.erase(handles_.begin() + static_cast<std::ptrdiff_t>(index));
  states_.erase(states_.begin() + static_cast<std::ptrdiff_t>(index));
  return true;
}

std::shared_ptr<ProgressState> ViewerRegistry::Find(WindowHandle window) const {
  std::lock_guard guard(handles_lock_);
  std::size_t index = IndexOf(window);
  if (index == handles_.size()) return nullptr;
  return states_[index];
}

std::size_t ViewerRegistry::Count() const {
  std::lock_guard guard(handles_lock_);
  return handles_.size();
}

}  // namespace kvr::ui
