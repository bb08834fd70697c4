#include "ui/progress_state.h"

namespace kvr::ui {

void CancelProgress(ProgressState& state) noexcept {
  state.cancelled.store(true);
  if (!state.on_cancel) return;
  try {
    state.on_cancel(state);
  } catch (...) {
    // The flag is set; the operation sees it whatever the handler did.
  }
}

}  // namespace kvr::ui
