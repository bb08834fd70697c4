// The state of an operation that a progress viewer shows, shared by the viewer's thread and the
// thread that runs the operation: the viewer sets `cancelled`, the operation polls it.
#pragma once

#include <atomic>
#include <functional>

namespace kvr::ui {

struct ProgressState;

// Called on the viewer's thread when the user cancels.
using CancelHandler = std::function<void(ProgressState& state)>;

struct ProgressState {
  std::atomic<bool> cancelled{false};
  // Optional. Assign it before the viewer is registered; it is not changed afterwards.
  CancelHandler on_cancel;
};

// Sets the cancelled flag, then calls the cancel handler if one is assigned. An error the
// handler raises is swallowed: the user's cancel must not break the viewer's window procedure.
void CancelProgress(ProgressState& state) noexcept;

}  // namespace kvr::ui
